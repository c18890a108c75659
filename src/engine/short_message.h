#pragma once

#include <cstdint>

namespace tastarion {

// A MIDI short message packed as the output call takes it: status in bits 0-7,
// first data byte in bits 8-15, second data byte in bits 16-23.
using ShortMessage = uint32_t;

constexpr ShortMessage pack_message(uint8_t status, uint8_t data1, uint8_t data2 = 0) {
  return ShortMessage{status} | (ShortMessage{data1} << 8) | (ShortMessage{data2} << 16);
}
constexpr uint8_t status_of(ShortMessage m) {
  return m & 0xFF;
}
constexpr uint8_t data1_of(ShortMessage m) {
  return (m >> 8) & 0xFF;
}
constexpr uint8_t data2_of(ShortMessage m) {
  return (m >> 16) & 0xFF;
}

// Channel 10 (status nibble 9) belongs to the metronome and never carries a played note.
inline constexpr int kMetronomeChannel = 9;
inline constexpr int kChannelCount = 16;

// Controllers: the sustain (hold) pedal, down at 64 and above; All Notes Off.
inline constexpr uint8_t kSustainPedal = 64;
inline constexpr uint8_t kAllNotesOff = 123;

}  // namespace tastarion
