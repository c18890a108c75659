#pragma once

#include <algorithm>
#include <optional>

namespace tastarion {

// What the program knows of one adjustable value: its range, the value it
// starts with, and how far one command key moves it. The core guards with it
// and the controls take their range and start value from it.
struct Setting {
  int minimum;
  int maximum;
  int initial;
  int step = 1;

  constexpr bool contains(int value) const { return value >= minimum && value <= maximum; }
  constexpr int clamp(int value) const { return std::clamp(value, minimum, maximum); }
  // The value one step up (direction > 0) or down from `value`, or nothing at the limit.
  constexpr std::optional<int> stepped(int value, int direction) const {
    const int next = value + (direction > 0 ? step : -step);
    if (!contains(next)) return std::nullopt;
    return next;
  }
};

}  // namespace tastarion
