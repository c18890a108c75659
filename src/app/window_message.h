#pragma once

#include <cstdint>
#include <variant>

namespace tastarion {

// What the window hands to piano_window_proc. The Qt layer only translates its
// events into these; every decision is taken by the dispatcher.

// A key press: bits 16-23 scan code, bit 24 extended, bit 29 Alt held, bit 30
// auto-repeat (the key was already down).
struct KeyDown {
  uint32_t key_param;
};
// A key release (never an auto-repeat one).
struct KeyUp {
  uint32_t key_param;
};

enum class Slider { volume, pitch, mm_speed };
// Any user action on a slider: a drag step, a click, the end of a drag.
struct SliderMoved {
  Slider slider;
  int position;
};

enum class List { transpose, instrument, device };
// The user chose a row of a list.
struct ListSelected {
  List list;
  int row;
};

// A control is done with the keyboard (a list closed without a choice, Escape).
struct ControlDone {};

// A popup-menu item: 1 Help, 2 Exit; other ids do nothing.
struct MenuCommand {
  int id;
};

// The right button went down at this point of the client area.
struct RightButtonDown {
  int x;
  int y;
};

// The main window stopped getting the keys: another application, or one of the
// program's own windows (help box, menu, save dialog, an opened list).
struct KeyboardLost {};

// The client area needs painting.
struct Paint {};

using WindowMessage = std::variant<KeyDown, KeyUp, SliderMoved, ListSelected, ControlDone,
                                   MenuCommand, RightButtonDown, KeyboardLost, Paint>;

}  // namespace tastarion
