#pragma once

#include <algorithm>
#include <map>
#include <optional>

#include "timing/timer_service.h"

namespace tastarion::testing {

// A timer service on a manual clock. advance_to() runs the routines that fall due,
// in deadline order, on the calling thread.
class FakeTimerService : public TimerService {
 public:
  struct Timer {
    Micros due;
    uint32_t period_ms;  // 0 for a one-shot
    Routine routine;
  };

  Micros now() const override { return now_; }
  TimerId set_oneshot_at(Micros due, Routine routine) override {
    TimerId id = next_id_++;
    timers_[id] = Timer{std::max(due, now_), 0, std::move(routine)};
    ++set_calls;
    return id;
  }
  TimerId set_periodic(uint32_t period_ms, Routine routine) override {
    TimerId id = next_id_++;
    timers_[id] = Timer{now_ + Micros{period_ms} * 1000, period_ms, std::move(routine)};
    ++set_calls;
    return id;
  }
  void kill(TimerId id) override {
    ++kill_calls;
    timers_.erase(id);
  }

  // Runs every routine due up to `until`, then sets the clock there.
  void advance_to(Micros until) {
    for (;;) {
      auto next = std::min_element(timers_.begin(), timers_.end(), [](auto& a, auto& b) {
        return a.second.due != b.second.due ? a.second.due < b.second.due : a.first < b.first;
      });
      if (next == timers_.end() || next->second.due > until) break;
      TimerId id = next->first;
      now_ = next->second.due;
      Routine routine = next->second.routine;
      if (next->second.period_ms == 0) {
        timers_.erase(next);
      } else {
        next->second.due += Micros{next->second.period_ms} * 1000;
      }
      routine();
      (void)id;
    }
    now_ = std::max(now_, until);
  }
  void advance_ms(double ms) { advance_to(now_ + static_cast<Micros>(ms * 1000)); }

  size_t pending() const { return timers_.size(); }
  bool is_pending(TimerId id) const { return timers_.count(id) != 0; }
  std::optional<Micros> due_of(TimerId id) const {
    auto it = timers_.find(id);
    if (it == timers_.end()) return std::nullopt;
    return it->second.due;
  }

  int set_calls = 0;
  int kill_calls = 0;

 private:
  Micros now_ = 0;
  TimerId next_id_ = 1;
  std::map<TimerId, Timer> timers_;
};

}  // namespace tastarion::testing
