#include "platform/thread_timer_service.h"

#include <chrono>

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#endif

namespace tastarion {

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point to_time_point(Micros micros) {
  return Clock::time_point(
      std::chrono::duration_cast<Clock::duration>(std::chrono::microseconds(micros)));
}

// Best effort only: a plain user gets neither, and the service works without them.
void tune_service_thread() {
#if defined(__linux__)
  // The default 50 us of slack would be added to every wake-up.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  sched_param param{};
  param.sched_priority = sched_get_priority_min(SCHED_FIFO);
  pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
#endif
}

}  // namespace

ThreadTimerService::ThreadTimerService(Micros spin_us) : spin_us_(spin_us) {
  thread_ = std::thread([this] { run(); });
}

ThreadTimerService::~ThreadTimerService() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

Micros ThreadTimerService::now() const {
  return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
      .count();
}

TimerId ThreadTimerService::set_oneshot_at(Micros due, Routine routine) {
  std::lock_guard lock(mutex_);
  return add_locked(Timer{due, due, 0, std::make_shared<const Routine>(std::move(routine))});
}

TimerId ThreadTimerService::set_periodic(uint32_t period_ms, Routine routine) {
  const Micros period = Micros{period_ms > 0 ? period_ms : 1} * 1000;
  const Micros start = now();
  std::lock_guard lock(mutex_);
  return add_locked(
      Timer{start + period, start, period, std::make_shared<const Routine>(std::move(routine))});
}

TimerId ThreadTimerService::add_locked(Timer timer) {
  TimerId id = next_id_++;
  if (next_id_ == 0) next_id_ = 1;
  const bool earliest = queue_.empty() || timer.due < queue_.top().due;
  queue_.push(Deadline{timer.due, id});
  timers_.emplace(id, std::move(timer));
  if (earliest) wake_.notify_one();
  return id;
}

void ThreadTimerService::kill(TimerId id) {
  if (id == 0) return;
  std::unique_lock lock(mutex_);
  timers_.erase(id);
  // From inside a routine the running one may be this very timer: waiting for
  // it would never end.
  if (on_service_thread()) return;
  finished_.wait(lock, [&] { return running_ != id; });
}

void ThreadTimerService::drop_stale_deadlines_locked() {
  while (!queue_.empty()) {
    const Deadline& top = queue_.top();
    auto it = timers_.find(top.id);
    if (it != timers_.end() && it->second.due == top.due) return;
    queue_.pop();
  }
}

void ThreadTimerService::reschedule_locked(Timer& timer, TimerId id, Micros fired_at) {
  Micros following = timer.due + timer.period;
  // Far behind (the machine stalled): skip the missed beats rather than
  // firing them in a burst, and stay on the original grid.
  if (following <= fired_at) {
    following = timer.start + ((fired_at - timer.start) / timer.period + 1) * timer.period;
  }
  timer.due = following;
  queue_.push(Deadline{following, id});
}

void ThreadTimerService::run() {
  tune_service_thread();
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    drop_stale_deadlines_locked();
    if (queue_.empty()) {
      wake_.wait(lock);
      continue;
    }
    const Deadline next = queue_.top();
    const Micros t = now();
    if (t < next.due - spin_us_) {
      wake_.wait_until(lock, to_time_point(next.due - spin_us_));
      continue;
    }
    if (t < next.due) {
      // The sleep's wake-up is too coarse for the last stretch. The lock is
      // released so that kills and new timers are not held up; the queue is
      // looked at afresh afterwards.
      lock.unlock();
      while (now() < next.due) std::this_thread::yield();
      lock.lock();
      continue;
    }

    queue_.pop();
    fire(lock, next.id, t);
  }
}

void ThreadTimerService::fire(std::unique_lock<std::mutex>& lock, TimerId id, Micros due_now) {
  auto it = timers_.find(id);
  std::shared_ptr<const Routine> routine = it->second.routine;
  if (it->second.period == 0) {
    timers_.erase(it);
  } else {
    reschedule_locked(it->second, id, due_now);
  }
  running_ = id;
  lock.unlock();
  (*routine)();
  routine.reset();
  lock.lock();
  running_ = 0;
  finished_.notify_all();
}

}  // namespace tastarion
