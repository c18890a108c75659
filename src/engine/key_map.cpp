#include "engine/key_map.h"

#include <cstddef>

namespace tastarion {

const std::array<uint8_t, 47> piano_scan_codes = {
    // Bottom half: the bottom letter row (white keys) and the home row (black keys).
    0x2A, 0x1E, 0x2C, 0x1F, 0x2D, 0x2E, 0x21, 0x2F, 0x22, 0x30, 0x31, 0x24, 0x32, 0x25, 0x33, 0x26,
    0x34, 0x35, 0x28, 0x73, 0x2B, 0x36,
    // Top half: the top letter row (white keys) and the digit row (black keys).
    0x0F, 0x02, 0x10, 0x11, 0x04, 0x12, 0x05, 0x13, 0x06, 0x14, 0x15, 0x08, 0x16, 0x09, 0x17, 0x18,
    0x0B, 0x19, 0x0C, 0x1A, 0x0D, 0x1B, 0x1C, 0x0E,
    // Terminator.
    0x00};

uint8_t key_to_note(uint32_t key_param) {
  const uint8_t scan = scan_code_of(key_param);
  for (std::size_t i = 0; piano_scan_codes[i] != 0; ++i) {
    if (piano_scan_codes[i] != scan) continue;
    // Every bottom-half code is 0x1E or more, every top-half code 0x1C or less.
    return static_cast<uint8_t>(scan <= 0x1D ? i + 40 : i + 43);
  }
  return 0;
}

}  // namespace tastarion
