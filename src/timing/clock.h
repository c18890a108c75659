#pragma once

#include <cstdint>

namespace tastarion {

// The millisecond clock of the recorder: 32 bits, read and subtracted as unsigned
// numbers so that a wrap-around still gives the right difference.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t tick_count_ms() = 0;
};

}  // namespace tastarion
