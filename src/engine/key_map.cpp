#include "engine/key_map.h"

namespace tastarion {

const std::array<PianoKey, 46> piano_keys = {{
    // Bottom half: Left Shift, A, Z, S, X, C, F, V, G, B, N, J, M, K, comma, L,
    // period, slash, quote, Ro, backslash, Right Shift.
    {0x2A, 43},
    {0x1E, 44},
    {0x2C, 45},
    {0x1F, 46},
    {0x2D, 47},
    {0x2E, 48},
    {0x21, 49},
    {0x2F, 50},
    {0x22, 51},
    {0x30, 52},
    {0x31, 53},
    {0x24, 54},
    {0x32, 55},
    {0x25, 56},
    {0x33, 57},
    {0x26, 58},
    {0x34, 59},
    {0x35, 60},
    {0x28, 61},
    {0x73, 62},
    {0x2B, 63},
    {0x36, 64},
    // Top half: Tab, 1, Q, W, 3, E, 4, R, 5, T, Y, 7, U, 8, I, O, 0, P, minus, [,
    // equals, ], Enter, Backspace.
    {0x0F, 62},
    {0x02, 63},
    {0x10, 64},
    {0x11, 65},
    {0x04, 66},
    {0x12, 67},
    {0x05, 68},
    {0x13, 69},
    {0x06, 70},
    {0x14, 71},
    {0x15, 72},
    {0x08, 73},
    {0x16, 74},
    {0x09, 75},
    {0x17, 76},
    {0x18, 77},
    {0x0B, 78},
    {0x19, 79},
    {0x0C, 80},
    {0x1A, 81},
    {0x0D, 82},
    {0x1B, 83},
    {0x1C, 84},
    {0x0E, 85},
}};

uint8_t key_to_note(uint8_t scan_code) {
  for (const PianoKey& key : piano_keys) {
    if (key.scan_code == scan_code) return key.note;
  }
  return 0;
}

}  // namespace tastarion
