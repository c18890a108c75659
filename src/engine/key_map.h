#pragma once

#include <array>
#include <cstdint>

namespace tastarion {

// The notes of the drawn keyboard; every piano key plays one of them.
inline constexpr uint8_t kLowestNote = 43;
inline constexpr uint8_t kHighestNote = 85;
inline constexpr int kKeyboardNoteCount = kHighestNote - kLowestNote + 1;

constexpr bool on_keyboard(int note) {
  return note >= kLowestNote && note <= kHighestNote;
}

struct PianoKey {
  uint8_t scan_code;
  uint8_t note;
};

// The 46 piano keys in note order: the bottom half (bottom letter row white,
// home row black) plays 43..64, the top half (top letter row white, digit row
// black) 62..85, so three notes have two keys.
extern const std::array<PianoKey, 46> piano_keys;

// The note of the key with this scan code (43..85), or 0 for a key that is not
// a piano key. The extended flag does not count: keypad Enter plays like Enter.
uint8_t key_to_note(uint8_t scan_code);

}  // namespace tastarion
