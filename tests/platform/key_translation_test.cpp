#include "platform/key_translation.h"

#include <gtest/gtest.h>

#include "engine/key_map.h"

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
    EXPECT_EQ(key_param_from_native(evdev + kXkb, false, false), make_key_param(evdev))
        << "evdev " << evdev;
  }
  for (const Row& row : kSpecialRows) {
    EXPECT_EQ(key_param_from_native(row.evdev + kXkb, false, false),
              make_key_param(row.scan, row.extended))
        << "evdev " << row.evdev;
  }
}

TEST(KeyTranslation, KeycodesSeenUnderXvfb) {
  const struct {
    const char* key;
    uint32_t keycode;
    uint32_t param;
  } seen[] = {
      {"Shift_L", 50, make_key_param(0x2A)},
      {"c", 54, make_key_param(0x2E)},
      {"Return", 36, make_key_param(0x1C)},
      {"KP_Enter", 104, make_key_param(0x1C, true)},
      {"slash", 61, make_key_param(0x35)},
      {"KP_Divide", 106, make_key_param(0x35, true)},
      {"backslash", 51, make_key_param(0x2B)},
      {"Up", 111, make_key_param(0x48, true)},
      {"Right", 114, make_key_param(0x4D, true)},
      {"Home", 110, make_key_param(0x47, true)},
      {"Page_Down", 117, make_key_param(0x51, true)},
      {"Delete", 119, make_key_param(0x53, true)},
      {"KP_Decimal", 91, make_key_param(0x53)},
      {"Pause", 127, make_key_param(0x45)},
      {"Num_Lock", 77, make_key_param(0x45, true)},
      {"F1", 67, make_key_param(0x3B)},
  };
  for (const auto& s : seen) {
    EXPECT_EQ(key_param_from_native(s.keycode, false, false), s.param) << s.key;
  }
}

TEST(KeyTranslation, CodesWithoutAScanCodeGiveZero) {
  for (uint32_t native : {0u, 7u, 8u, 84u + kXkb, 85u + kXkb, 90u + kXkb, 95u + kXkb, 101u + kXkb,
                          112u + kXkb, 118u + kXkb, 128u + kXkb, 255u, 0x10000u}) {
    EXPECT_EQ(scan_code_of(key_param_from_native(native, false, false)), 0) << native;
    EXPECT_FALSE(is_extended_key(key_param_from_native(native, false, false))) << native;
  }
}

TEST(KeyTranslation, PressRepeatAndReleaseBits) {
  const uint32_t native = 0x2E + kXkb;  // C
  EXPECT_EQ(key_param_from_native(native, false, false), 0x002E0001u);
  EXPECT_EQ(key_param_from_native(native, false, true), 0x402E0001u);
  EXPECT_EQ(key_param_from_native(native, true, false), 0xC02E0001u);
  EXPECT_EQ(key_param_from_native(104, true, false), 0xC11C0001u);  // keypad Enter up
}

}  // namespace
}  // namespace tastarion
