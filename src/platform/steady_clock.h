#pragma once

#include "timing/clock.h"

namespace tastarion {

// Milliseconds of the monotonic clock, cut to 32 bits.
class SteadyClock final : public Clock {
 public:
  uint32_t tick_count_ms() override;
};

}  // namespace tastarion
