#pragma once

// The inputs of a random or fuzzed sequence: what the window hands to the
// piano's operations, and what the world around the program does.

#include <cstdint>
#include <cstdio>
#include <string>
#include <variant>

#include "engine/key_event.h"

namespace tastarion::model {

// What the window passes on to the piano.
struct KeyDown {  // piano.key_down
  KeyEvent key;
};
struct KeyUp {  // piano.key_up
  KeyEvent key;
};
enum class Control : uint8_t { volume, pitch, mm_speed, transpose, instrument, device };
struct ControlMoved {  // a control's change operation with the control's value
  Control control;
  int value;
};
enum class MenuItem : uint8_t { none, help, exit };
struct MenuChosen {  // the popup menu closed with this item
  MenuItem item;
};
struct KeyboardLost {};  // piano.release_all_keys
using Input = std::variant<KeyDown, KeyUp, ControlMoved, MenuChosen, KeyboardLost>;

// What the world does besides.
struct ClockJump {  // the recorder's millisecond clock moves on (and may wrap)
  uint32_t ms;
};
struct ClockSet {
  uint32_t ms;
};
struct TimerAdvance {  // the timer service's time moves on; due routines run
  uint32_t ms;
};
enum class SaveChoice : uint8_t { new_file, same_file, cancel, unwritable };
struct ChooseSave {  // how the user will answer the next save dialog
  SaveChoice choice;
};
using Action = std::variant<Input, ClockJump, ClockSet, TimerAdvance, ChooseSave>;

// A key event from 32 bits of input: scan code in bits 16-23, extended in bit
// 24, auto-repeat in bit 30; the other bits mean nothing.
// Escape's panic and Space's pedal lie outside the model (unit and end-to-end
// tests hold them): their scan codes become F4's, whose open dialog the model's
// view always cancels.
constexpr uint8_t modelled_scan_code(uint8_t scan) {
  return scan == 0x01 || scan == 0x39 ? 0x3E : scan;
}

constexpr KeyEvent key_of_bits(uint32_t bits, bool release) {
  return {modelled_scan_code(static_cast<uint8_t>(bits >> 16)), ((bits >> 24) & 1) != 0,
          !release && ((bits >> 30) & 1) != 0, release};
}

inline std::string hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", unsigned{v});
  return text;
}

inline std::string describe(const KeyEvent& key) {
  char text[32];
  std::snprintf(text, sizeof text, "%02X%s%s", unsigned{key.scan_code}, key.extended ? " ext" : "",
                key.repeat ? " repeat" : "");
  return text;
}

inline std::string describe(const Action& action) {
  struct {
    std::string operator()(const KeyDown& m) { return "KeyDown " + describe(m.key); }
    std::string operator()(const KeyUp& m) { return "KeyUp " + describe(m.key); }
    std::string operator()(const ControlMoved& m) {
      return "Control " + std::to_string(int(m.control)) + " " + std::to_string(m.value);
    }
    std::string operator()(const MenuChosen& m) { return "Menu " + std::to_string(int(m.item)); }
    std::string operator()(const KeyboardLost&) { return "KeyboardLost"; }
    std::string operator()(const Input& m) { return std::visit(*this, m); }
    std::string operator()(const ClockJump& a) { return "ClockJump " + std::to_string(a.ms); }
    std::string operator()(const ClockSet& a) { return "ClockSet " + hex(a.ms); }
    std::string operator()(const TimerAdvance& a) { return "TimerAdvance " + std::to_string(a.ms); }
    std::string operator()(const ChooseSave& a) {
      return "ChooseSave " + std::to_string(int(a.choice));
    }
  } visitor;
  return std::visit(visitor, action);
}

}  // namespace tastarion::model
