#include "platform/steady_clock.h"

#include <chrono>

namespace tastarion {

uint32_t SteadyClock::tick_count_ms() {
  const auto since_epoch = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count());
}

}  // namespace tastarion
