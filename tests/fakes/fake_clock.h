#pragma once

#include "timing/clock.h"

namespace tastarion::testing {

// A millisecond clock that moves only when told; `step` is added after each read,
// so that successive readings can differ without the test advancing it.
class FakeClock : public Clock {
 public:
  uint32_t tick_count_ms() override {
    uint32_t now = now_ms;
    now_ms += step;
    ++reads;
    return now;
  }
  uint32_t now_ms = 0;
  uint32_t step = 0;
  int reads = 0;
};

}  // namespace tastarion::testing
