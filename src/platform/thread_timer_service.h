#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <queue>
#include <thread>
#include <unordered_map>
#include <vector>

#include "timing/timer_service.h"

namespace tastarion {

// The timer service of the program: one thread running every routine in deadline
// order on std::chrono::steady_clock. It sleeps on a condition variable until
// shortly before the next deadline and spins the last stretch, so that a routine
// starts well under a millisecond late on an idle machine.
class ThreadTimerService final : public TimerService {
 public:
  // How long before a deadline the thread stops sleeping and starts spinning.
  static constexpr Micros kDefaultSpinUs = 200;

  explicit ThreadTimerService(Micros spin_us = kDefaultSpinUs);
  // Stops the thread; pending timers never fire. Must not be called from a routine.
  ~ThreadTimerService() override;

  ThreadTimerService(const ThreadTimerService&) = delete;
  ThreadTimerService& operator=(const ThreadTimerService&) = delete;

  Micros now() const override;
  TimerId set_oneshot_at(Micros due, Routine routine) override;
  TimerId set_periodic(uint32_t period_ms, Routine routine) override;
  void kill(TimerId id) override;

  // Whether the calling thread is the service's own.
  bool on_service_thread() const { return std::this_thread::get_id() == thread_.get_id(); }

 private:
  struct Timer {
    Micros due;
    Micros start;   // periodic: deadlines are start + k * period
    Micros period;  // 0 for a one-shot
    // Shared so that the routine can run with the lock released while kill()
    // erases the timer.
    std::shared_ptr<const Routine> routine;
  };
  struct Deadline {
    Micros due;
    TimerId id;
    bool operator>(const Deadline& other) const {
      return due != other.due ? due > other.due : id > other.id;
    }
  };

  TimerId add_locked(Timer timer);
  // Pops the deadlines of killed and rescheduled timers off the top of the queue.
  void drop_stale_deadlines_locked();
  // A periodic timer's next deadline, once it fired at `fired_at`.
  void reschedule_locked(Timer& timer, TimerId id, Micros fired_at);
  // Runs the routine of timer `id`, found due at `due_now`, with the lock released meanwhile.
  void fire(std::unique_lock<std::mutex>& lock, TimerId id, Micros due_now);
  void run();

  const Micros spin_us_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;      // the service thread waits here
  std::condition_variable finished_;  // kill() waits here for a running routine
  std::unordered_map<TimerId, Timer> timers_;
  // May hold deadlines of killed or rescheduled timers; those are skipped.
  std::priority_queue<Deadline, std::vector<Deadline>, std::greater<Deadline>> queue_;
  TimerId next_id_ = 1;
  TimerId running_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tastarion
