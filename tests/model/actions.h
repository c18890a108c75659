#pragma once

// The actions of a random or fuzzed sequence: window messages and what the
// world around the program does.

#include <cstdint>
#include <cstdio>
#include <string>
#include <variant>

#include "app/window_message.h"

namespace tastarion::model {

// What the world does besides sending window messages.
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
struct PopupAnswer {  // the item the user will pick from the next popup menu
  int id;
};
using Action =
    std::variant<WindowMessage, ClockJump, ClockSet, TimerAdvance, ChooseSave, PopupAnswer>;

inline std::string hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", unsigned{v});
  return text;
}

inline std::string describe(const Action& action) {
  struct {
    std::string operator()(const KeyDown& m) { return "KeyDown " + hex(m.key_param); }
    std::string operator()(const KeyUp& m) { return "KeyUp " + hex(m.key_param); }
    std::string operator()(const SliderMoved& m) {
      return "Slider " + std::to_string(int(m.slider)) + " " + std::to_string(m.position);
    }
    std::string operator()(const ListSelected& m) {
      return "List " + std::to_string(int(m.list)) + " row " + std::to_string(m.row);
    }
    std::string operator()(const ControlDone&) { return "ControlDone"; }
    std::string operator()(const MenuCommand& m) { return "Menu " + std::to_string(m.id); }
    std::string operator()(const RightButtonDown& m) {
      return "RightButton " + std::to_string(m.x) + "," + std::to_string(m.y);
    }
    std::string operator()(const KeyboardLost&) { return "KeyboardLost"; }
    std::string operator()(const Paint&) { return "Paint"; }
    std::string operator()(const WindowMessage& m) { return std::visit(*this, m); }
    std::string operator()(const ClockJump& a) { return "ClockJump " + std::to_string(a.ms); }
    std::string operator()(const ClockSet& a) { return "ClockSet " + hex(a.ms); }
    std::string operator()(const TimerAdvance& a) { return "TimerAdvance " + std::to_string(a.ms); }
    std::string operator()(const ChooseSave& a) {
      return "ChooseSave " + std::to_string(int(a.choice));
    }
    std::string operator()(const PopupAnswer& a) { return "PopupAnswer " + std::to_string(a.id); }
  } visitor;
  return std::visit(visitor, action);
}

}  // namespace tastarion::model
