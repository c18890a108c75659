#include "platform/key_translation.h"

namespace tastarion {

namespace {

constexpr uint32_t kXkbOffset = 8;

KeyEvent key_of_evdev(uint32_t evdev) {
  // Up to F12 the evdev codes are the set-1 make codes, Num Lock aside.
  if ((evdev >= 1 && evdev <= 83 && evdev != 69) || (evdev >= 86 && evdev <= 88)) {
    return {static_cast<uint8_t>(evdev), false};
  }
  switch (evdev) {
    case 69:
      return {0x45, true};  // Num Lock; Pause has the same code unextended
    case 89:
      return {0x73, false};  // Ro
    case 92:
      return {0x79, false};  // Henkan
    case 93:
      return {0x70, false};  // Katakana-Hiragana
    case 94:
      return {0x7B, false};  // Muhenkan
    case 96:
      return {0x1C, true};  // keypad Enter
    case 97:
      return {0x1D, true};  // Right Ctrl
    case 98:
      return {0x35, true};  // keypad slash
    case 99:
      return {0x37, true};  // Print Screen
    case 100:
      return {0x38, true};  // Right Alt
    case 102:
      return {0x47, true};  // Home
    case 103:
      return {0x48, true};  // Up
    case 104:
      return {0x49, true};  // Page Up
    case 105:
      return {0x4B, true};  // Left
    case 106:
      return {0x4D, true};  // Right
    case 107:
      return {0x4F, true};  // End
    case 108:
      return {0x50, true};  // Down
    case 109:
      return {0x51, true};  // Page Down
    case 110:
      return {0x52, true};  // Insert
    case 111:
      return {0x53, true};  // Delete
    case 119:
      return {0x45, false};  // Pause
    case 124:
      return {0x7D, false};  // Yen
    case 125:
      return {0x5B, true};  // Left Meta
    case 126:
      return {0x5C, true};  // Right Meta
    case 127:
      return {0x5D, true};  // Menu
    default:
      return {};
  }
}

}  // namespace

KeyEvent key_event_from_native(uint32_t native_scan_code, bool release, bool auto_repeat,
                               bool alt) {
  KeyEvent key =
      native_scan_code >= kXkbOffset ? key_of_evdev(native_scan_code - kXkbOffset) : KeyEvent{};
  key.repeat = auto_repeat && !release;
  key.release = release;
  key.alt = alt;
  return key;
}

}  // namespace tastarion
