#include "engine/key_map.h"

#include <gtest/gtest.h>

#include <set>

namespace tastarion {
namespace {

TEST(KeyMap, FortySixKeysPlayNotes43To85InTableOrder) {
  const uint8_t expected[46] = {43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58,
                                59, 60, 61, 62, 63, 64, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71,
                                72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84, 85};
  std::set<uint8_t> notes;
  std::set<uint8_t> scan_codes;
  for (int i = 0; i < 46; ++i) {
    EXPECT_EQ(key_to_note(piano_keys[i].scan_code), expected[i]) << "index " << i;
    notes.insert(expected[i]);
    scan_codes.insert(piano_keys[i].scan_code);
  }
  EXPECT_EQ(notes.size(), 43u);
  EXPECT_EQ(scan_codes.size(), 46u);
}

TEST(KeyMap, NamedKeys) {
  EXPECT_EQ(key_to_note(0x2A), 43);  // Left Shift
  EXPECT_EQ(key_to_note(0x36), 64);  // Right Shift
  EXPECT_EQ(key_to_note(0x2E), 48);  // C
  EXPECT_EQ(key_to_note(0x2F), 50);  // V
  EXPECT_EQ(key_to_note(0x35), 60);  // slash
  EXPECT_EQ(key_to_note(0x15), 72);  // Y
  EXPECT_EQ(key_to_note(0x0E), 85);  // Backspace
  // Either side of the threshold between the halves.
  EXPECT_EQ(key_to_note(0x1E), 44);
  EXPECT_EQ(key_to_note(0x1C), 84);
}

TEST(KeyMap, OverlappingPairsGiveTheSameNote) {
  EXPECT_EQ(key_to_note(0x73), 62);
  EXPECT_EQ(key_to_note(0x0F), 62);
  EXPECT_EQ(key_to_note(0x2B), 63);
  EXPECT_EQ(key_to_note(0x02), 63);
  EXPECT_EQ(key_to_note(0x36), 64);
  EXPECT_EQ(key_to_note(0x10), 64);
}

TEST(KeyMap, OtherKeysAreNotPianoKeys) {
  // Scan code 0, Ctrl, Space, D, H, semicolon, 2, 6, 9, yen, F1..F12, arrows, keypad digits.
  for (uint8_t scan : {0x00, 0x1D, 0x39, 0x20, 0x23, 0x27, 0x03, 0x07, 0x0A, 0x7D, 0x3B, 0x44,
                       0x57, 0x58, 0x48, 0x4B, 0x4D, 0x50, 0x47, 0x4C, 0x52, 0x01, 0xFF}) {
    EXPECT_EQ(key_to_note(scan), 0) << std::hex << int(scan);
  }
}

}  // namespace
}  // namespace tastarion
