#pragma once

#include <cstdint>
#include <functional>

namespace tastarion {

// Id of a timer; 0 is never a valid id.
using TimerId = uint32_t;

// Microseconds on a steady clock.
using Micros = int64_t;

// One-shot and periodic timers whose routines run on the service's own thread.
// Guarantees: after kill() returns the routine does not start again, and a routine
// of that timer running on another thread has finished; kill() called from inside
// a routine does not wait (and so cannot deadlock); killing an expired, killed or
// never-created id (0 included) does nothing.
class TimerService {
 public:
  using Routine = std::function<void()>;
  virtual ~TimerService() = default;

  virtual Micros now() const = 0;
  // Runs `routine` once at `due` (at once if `due` has passed).
  virtual TimerId set_oneshot_at(Micros due, Routine routine) = 0;
  // Runs `routine` every `period_ms`, the first time one period after the call,
  // on absolute deadlines start + k * period so that it never drifts.
  virtual TimerId set_periodic(uint32_t period_ms, Routine routine) = 0;
  virtual void kill(TimerId id) = 0;

  TimerId set_oneshot(uint32_t delay_ms, Routine routine) {
    return set_oneshot_at(now() + Micros{delay_ms} * 1000, std::move(routine));
  }
};

}  // namespace tastarion
