#pragma once

#include <cstdint>

namespace tastarion {

// A key going down or up, as the platform layer reports it: the PC scan code
// (set 1 make code), whether it came with the extended prefix, whether the key
// was already down (an auto-repeat), whether it went up, and whether Alt was
// held when it went down.
struct KeyEvent {
  uint8_t scan_code = 0;
  bool extended = false;
  bool repeat = false;
  bool release = false;
  bool alt = false;

  // Which physical key: Enter and keypad Enter share a scan code and a note,
  // yet are two keys.
  constexpr uint16_t key_id() const { return static_cast<uint16_t>(scan_code | extended << 8); }
  bool operator==(const KeyEvent&) const = default;
};

constexpr KeyEvent key_press(uint8_t scan_code, bool extended = false, bool repeat = false,
                             bool alt = false) {
  return {scan_code, extended, repeat, false, alt};
}
constexpr KeyEvent key_release(uint8_t scan_code, bool extended = false) {
  return {scan_code, extended, false, true};
}

}  // namespace tastarion
