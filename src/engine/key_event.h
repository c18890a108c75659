#pragma once

#include <cstdint>

namespace tastarion {

// A key going down or up, as the platform layer reports it: the PC scan code
// (set 1 make code), whether it came with the extended prefix, whether the key
// was already down (an auto-repeat), and whether it went up.
struct KeyEvent {
  uint8_t scan_code = 0;
  bool extended = false;
  bool repeat = false;
  bool release = false;

  bool operator==(const KeyEvent&) const = default;
};

constexpr KeyEvent key_press(uint8_t scan_code, bool extended = false, bool repeat = false) {
  return {scan_code, extended, repeat, false};
}
constexpr KeyEvent key_release(uint8_t scan_code, bool extended = false) {
  return {scan_code, extended, false, true};
}

}  // namespace tastarion
