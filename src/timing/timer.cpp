#include "timing/timer.h"

namespace tastarion {

void Timer::start_at(Micros due, TimerService::Routine routine) {
  replace(service_.set_oneshot_at(due, std::move(routine)));
}

void Timer::start_periodic(uint32_t period_ms, TimerService::Routine routine) {
  replace(service_.set_periodic(period_ms, std::move(routine)));
}

void Timer::stop() {
  if (const TimerId id = id_.exchange(0); id != 0) service_.kill(id);
}

void Timer::replace(TimerId id) {
  // A one-shot restarting itself from its routine finds its own id here, which
  // has already expired; killing it does nothing.
  const TimerId previous = id_.exchange(id);
  if (previous != 0) service_.kill(previous);
}

}  // namespace tastarion
