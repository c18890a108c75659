#pragma once

#include <atomic>

#include "timing/timer_service.h"

namespace tastarion {

// One timer of a TimerService that stops itself when it goes away. Starting it
// again replaces the pending run. start and stop may come from any thread,
// from inside the timer's own routine included.
class Timer {
 public:
  explicit Timer(TimerService& service) : service_(service) {}
  ~Timer() { stop(); }
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  // Runs `routine` once at `due` on the service's thread.
  void start_at(Micros due, TimerService::Routine routine);
  // Runs `routine` every `period_ms`, the first time one period from now.
  void start_periodic(uint32_t period_ms, TimerService::Routine routine);
  // After it returns the routine does not start again, and a run on another
  // thread has finished (from inside the routine it does not wait).
  void stop();

  bool pending() const { return id_.load() != 0; }
  TimerService& service() const { return service_; }

 private:
  void replace(TimerId id);

  TimerService& service_;
  std::atomic<TimerId> id_{0};
};

}  // namespace tastarion
