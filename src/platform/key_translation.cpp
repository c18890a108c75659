#include "platform/key_translation.h"

#include <algorithm>
#include <array>

namespace tastarion {

namespace {

constexpr uint32_t kXkbOffset = 8;

struct EvdevKey {
  uint16_t evdev;
  uint8_t scan_code;
  bool extended;
};

// The keys whose evdev code is not their set-1 make code.
constexpr std::array<EvdevKey, 25> kEvdevKeys{{
    {69, 0x45, true},    // Num Lock; Pause has the same code unextended
    {89, 0x73, false},   // Ro
    {92, 0x79, false},   // Henkan
    {93, 0x70, false},   // Katakana-Hiragana
    {94, 0x7B, false},   // Muhenkan
    {96, 0x1C, true},    // keypad Enter
    {97, 0x1D, true},    // Right Ctrl
    {98, 0x35, true},    // keypad slash
    {99, 0x37, true},    // Print Screen
    {100, 0x38, true},   // Right Alt
    {102, 0x47, true},   // Home
    {103, 0x48, true},   // Up
    {104, 0x49, true},   // Page Up
    {105, 0x4B, true},   // Left
    {106, 0x4D, true},   // Right
    {107, 0x4F, true},   // End
    {108, 0x50, true},   // Down
    {109, 0x51, true},   // Page Down
    {110, 0x52, true},   // Insert
    {111, 0x53, true},   // Delete
    {119, 0x45, false},  // Pause
    {124, 0x7D, false},  // Yen
    {125, 0x5B, true},   // Left Meta
    {126, 0x5C, true},   // Right Meta
    {127, 0x5D, true},   // Menu
}};

KeyEvent key_of_evdev(uint32_t evdev) {
  const auto* found = std::find_if(kEvdevKeys.begin(), kEvdevKeys.end(),
                                   [evdev](const EvdevKey& key) { return key.evdev == evdev; });
  if (found != kEvdevKeys.end()) {
    return {found->scan_code, found->extended};
  }
  // Up to F12 the evdev codes are the set-1 make codes.
  if ((evdev >= 1 && evdev <= 83) || (evdev >= 86 && evdev <= 88)) {
    return {static_cast<uint8_t>(evdev), false};
  }
  return {};
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
