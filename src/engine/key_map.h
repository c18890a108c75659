#pragma once

#include <array>
#include <cstdint>

namespace tastarion {

// The 46 piano keys' scan codes in note order, then a terminating 0.
extern const std::array<uint8_t, 47> piano_scan_codes;

// The note of the key in a key message (43..85), or 0 for a key that is not a
// piano key. Only the scan code (bits 16-23) is looked at.
uint8_t key_to_note(uint32_t key_param);

// Key-message parameter: bits 16-23 scan code, bit 24 extended key, bit 29 Alt
// held, bit 30 the key was already down (auto-repeat), bit 31 released.
constexpr uint8_t scan_code_of(uint32_t key_param) {
  return (key_param >> 16) & 0xFF;
}
constexpr bool is_extended_key(uint32_t key_param) {
  return (key_param >> 24) & 1;
}
constexpr bool is_alt_held(uint32_t key_param) {
  return (key_param >> 29) & 1;
}
constexpr bool is_auto_repeat(uint32_t key_param) {
  return (key_param >> 30) & 1;
}
// Which physical key: the scan code with its extended flag (Enter and keypad
// Enter share a scan code and a note, yet are two keys).
constexpr uint16_t key_id_of(uint32_t key_param) {
  return static_cast<uint16_t>((key_param >> 16) & 0x1FF);
}
constexpr uint32_t make_key_param(uint8_t scan_code, bool extended = false, bool repeat = false,
                                  bool release = false, bool alt = false) {
  return 1u | (uint32_t{scan_code} << 16) | (uint32_t{extended} << 24) | (uint32_t{alt} << 29) |
         (uint32_t{repeat || release} << 30) | (uint32_t{release} << 31);
}

}  // namespace tastarion
