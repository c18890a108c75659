#include "platform/key_translation.h"

#include <gtest/gtest.h>

namespace tastarion {
namespace {

constexpr uint32_t kXkb = 8;  // XKB keycode = evdev code + 8

struct Row {
  uint32_t evdev;
  uint8_t scan;
  bool extended;
};

// Every special row of the evdev to set-1 table.
constexpr Row kSpecialRows[] = {
    {69, 0x45, true},   {89, 0x73, false},  {92, 0x79, false}, {93, 0x70, false}, {94, 0x7B, false},
    {124, 0x7D, false}, {96, 0x1C, true},   {97, 0x1D, true},  {98, 0x35, true},  {99, 0x37, true},
    {100, 0x38, true},  {102, 0x47, true},  {103, 0x48, true}, {104, 0x49, true}, {105, 0x4B, true},
    {106, 0x4D, true},  {107, 0x4F, true},  {108, 0x50, true}, {109, 0x51, true}, {110, 0x52, true},
    {111, 0x53, true},  {119, 0x45, false}, {125, 0x5B, true}, {126, 0x5C, true}, {127, 0x5D, true},
};

TEST(KeyTranslation, EveryRowOfTheEvdevTable) {
  for (uint32_t evdev = 1; evdev <= 88; ++evdev) {
    if (evdev == 69 || evdev == 84 || evdev == 85) continue;
    EXPECT_EQ(key_event_from_native(evdev + kXkb, false, false), key_press(evdev))
        << "evdev " << evdev;
  }
  for (const Row& row : kSpecialRows) {
    EXPECT_EQ(key_event_from_native(row.evdev + kXkb, false, false),
              key_press(row.scan, row.extended))
        << "evdev " << row.evdev;
  }
}

TEST(KeyTranslation, KeycodesSeenUnderXvfb) {
  const struct {
    const char* key;
    uint32_t keycode;
    KeyEvent key_event;
  } seen[] = {
      {"Shift_L", 50, key_press(0x2A)},
      {"c", 54, key_press(0x2E)},
      {"Return", 36, key_press(0x1C)},
      {"KP_Enter", 104, key_press(0x1C, true)},
      {"slash", 61, key_press(0x35)},
      {"KP_Divide", 106, key_press(0x35, true)},
      {"backslash", 51, key_press(0x2B)},
      {"Up", 111, key_press(0x48, true)},
      {"Right", 114, key_press(0x4D, true)},
      {"Home", 110, key_press(0x47, true)},
      {"Page_Down", 117, key_press(0x51, true)},
      {"Delete", 119, key_press(0x53, true)},
      {"KP_Decimal", 91, key_press(0x53)},
      {"Pause", 127, key_press(0x45)},
      {"Num_Lock", 77, key_press(0x45, true)},
      {"F1", 67, key_press(0x3B)},
  };
  for (const auto& s : seen) {
    EXPECT_EQ(key_event_from_native(s.keycode, false, false), s.key_event) << s.key;
  }
}

TEST(KeyTranslation, CodesWithoutAScanCodeGiveZero) {
  for (uint32_t native : {0u, 7u, 8u, 84u + kXkb, 85u + kXkb, 90u + kXkb, 95u + kXkb, 101u + kXkb,
                          112u + kXkb, 118u + kXkb, 128u + kXkb, 255u, 0x10000u}) {
    EXPECT_EQ(key_event_from_native(native, false, false), KeyEvent{}) << native;
  }
}

TEST(KeyTranslation, PressRepeatAndRelease) {
  const uint32_t native = 0x2E + kXkb;  // C
  EXPECT_EQ(key_event_from_native(native, false, false), (KeyEvent{0x2E, false, false, false}));
  EXPECT_EQ(key_event_from_native(native, false, true), (KeyEvent{0x2E, false, true, false}));
  EXPECT_EQ(key_event_from_native(native, true, false), (KeyEvent{0x2E, false, false, true}));
  EXPECT_EQ(key_event_from_native(104, true, false), (KeyEvent{0x1C, true, false, true}));
}

}  // namespace
}  // namespace tastarion
