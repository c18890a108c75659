#include "engine/key_map.h"

#include <gtest/gtest.h>

#include <set>

namespace tastarion {
namespace {

uint8_t note_of(uint8_t scan, bool extended = false) {
  return key_to_note(make_key_param(scan, extended));
}

TEST(KeyMap, FortySixKeysPlayNotes43To85InTableOrder) {
  const uint8_t expected[46] = {43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58,
                                59, 60, 61, 62, 63, 64, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71,
                                72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84, 85};
  std::set<uint8_t> notes;
  for (int i = 0; i < 46; ++i) {
    EXPECT_EQ(note_of(piano_scan_codes[i]), expected[i]) << "index " << i;
    notes.insert(expected[i]);
  }
  EXPECT_EQ(piano_scan_codes[46], 0);
  EXPECT_EQ(notes.size(), 43u);
}

TEST(KeyMap, NamedKeys) {
  EXPECT_EQ(note_of(0x2A), 43);  // Left Shift
  EXPECT_EQ(note_of(0x36), 64);  // Right Shift
  EXPECT_EQ(note_of(0x2E), 48);  // C
  EXPECT_EQ(note_of(0x2F), 50);  // V
  EXPECT_EQ(note_of(0x35), 60);  // slash
  EXPECT_EQ(note_of(0x15), 72);  // Y
  EXPECT_EQ(note_of(0x0E), 85);  // Backspace
  // Either side of the threshold between the halves.
  EXPECT_EQ(note_of(0x1E), 44);
  EXPECT_EQ(note_of(0x1C), 84);
}

TEST(KeyMap, OverlappingPairsGiveTheSameNote) {
  EXPECT_EQ(note_of(0x73), 62);
  EXPECT_EQ(note_of(0x0F), 62);
  EXPECT_EQ(note_of(0x2B), 63);
  EXPECT_EQ(note_of(0x02), 63);
  EXPECT_EQ(note_of(0x36), 64);
  EXPECT_EQ(note_of(0x10), 64);
}

TEST(KeyMap, OtherKeysAreNotPianoKeys) {
  // Scan code 0, Ctrl, Space, D, H, semicolon, 2, 6, 9, yen, F1..F12, arrows, keypad digits.
  for (uint8_t scan : {0x00, 0x1D, 0x39, 0x20, 0x23, 0x27, 0x03, 0x07, 0x0A, 0x7D, 0x3B, 0x44,
                       0x57, 0x58, 0x48, 0x4B, 0x4D, 0x50, 0x47, 0x4C, 0x52, 0x01, 0xFF}) {
    EXPECT_EQ(note_of(scan), 0) << std::hex << int(scan);
  }
}

TEST(KeyMap, OnlyTheScanCodeCounts) {
  // Keypad Enter and keypad slash carry the extended flag and play like Enter and slash.
  EXPECT_EQ(note_of(0x1C, true), 84);
  EXPECT_EQ(note_of(0x35, true), 60);
  EXPECT_EQ(key_to_note(make_key_param(0x2E, false, true, true)), 48);
  EXPECT_EQ(key_to_note(0xFF00FFFFu & ~0x00FF0000u), 0);
}

}  // namespace
}  // namespace tastarion
