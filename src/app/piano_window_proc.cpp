#include "app/piano_window_proc.h"

#include <string>

#include "app/help_document.h"
#include "engine/key_map.h"
#include "engine/midi_output_port.h"
#include "engine/note_path.h"
#include "engine/sound_settings.h"
#include "recorder/recorder.h"
#include "recorder/replayer.h"
#include "timing/metronome.h"

namespace tastarion {
namespace {

// Row i of the transposition list stands for 12 - i.
constexpr int kTransposeTopRow = 12;

void key_down(Piano& piano, WindowPort& window, uint32_t key_param) {
  // A key pressed with Alt held is a system key: it neither plays nor commands.
  if (is_alt_held(key_param)) return;
  const Command command = command_of(key_param);
  run_command(piano, window, command);
  if (command == Command::exit_program) return;
  // A command key's first press goes on like any key; the note path drops it.
  if (!is_auto_repeat(key_param)) note_key_down(piano, key_param);
}

// The controls' ranges. A value outside them cannot come from the controls;
// it is dropped rather than sent on as a velocity, bend or note past 127.
bool in_range(const SliderMoved& message) {
  switch (message.slider) {
    case Slider::volume:
      return message.position >= 0 && message.position <= 10;
    case Slider::pitch:
      return message.position >= -100 && message.position <= 100;
    case Slider::mm_speed:
      return true;  // change_mm_speed clamps it
  }
  return false;
}

bool in_range(const ListSelected& message) {
  switch (message.list) {
    case List::transpose:
      return message.row >= 0 && message.row < static_cast<int>(transpose_names.size());
    case List::instrument:
      return message.row >= 0 && message.row < static_cast<int>(instrument_names.size());
    case List::device:
      return true;  // change_device checks it against the device count
  }
  return false;
}

void slider_moved(Piano& piano, WindowPort& window, const SliderMoved& message) {
  if (!in_range(message)) return window.take_focus();
  switch (message.slider) {
    case Slider::volume:
      change_volume(piano, message.position);
      break;
    case Slider::pitch:
      change_fine_pitch(piano, message.position);
      break;
    case Slider::mm_speed:
      change_mm_speed(piano, message.position);
      break;
  }
  // A slider never keeps the keyboard: the arrow keys belong to the commands.
  window.take_focus();
}

void list_selected(Piano& piano, WindowPort& window, const ListSelected& message) {
  if (!in_range(message)) return window.take_focus();
  switch (message.list) {
    case List::transpose:
      change_transpose(piano, kTransposeTopRow - message.row);
      break;
    case List::instrument:
      change_instrument(piano, message.row);
      break;
    case List::device:
      change_device(piano, message.row);
      break;
  }
  window.take_focus();
}

void menu_command(Piano& piano, WindowPort& window, int id) {
  if (id == kHelpCommand) show_help(piano);
  if (id == kExitCommand) exit_program(window);
}

template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
// Clang before 17 does not deduce an aggregate's template arguments by itself.
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

}  // namespace

void piano_window_proc(Piano& piano, WindowPort& window, const WindowMessage& message) {
  std::visit(Overloaded{
                 [&](const KeyDown& m) { key_down(piano, window, m.key_param); },
                 [&](const KeyUp& m) { note_key_up(piano, m.key_param); },
                 [&](const SliderMoved& m) { slider_moved(piano, window, m); },
                 [&](const ListSelected& m) { list_selected(piano, window, m); },
                 [&](const ControlDone&) { window.take_focus(); },
                 [&](const MenuCommand& m) { menu_command(piano, window, m.id); },
                 [&](const RightButtonDown& m) {
                   menu_command(piano, window, window.run_popup_menu(m.x, m.y));
                 },
                 [&](const KeyboardLost&) { release_all_keys(piano); },
                 [&](const Paint&) { window.paint_keyboard(); },
             },
             message);
}

void run_command(Piano& piano, WindowPort& window, Command command) {
  switch (command) {
    case Command::none:
      break;
    case Command::show_help:
      show_help(piano);
      break;
    case Command::toggle_recording:
      toggle_recording(piano);
      break;
    case Command::toggle_replay:
      toggle_replay(piano);
      break;
    case Command::toggle_metronome:
      toggle_metronome(piano);
      break;
    case Command::slower_metronome:
      step_mm_speed(piano, -1);
      break;
    case Command::faster_metronome:
      step_mm_speed(piano, +1);
      break;
    case Command::exit_program:
      exit_program(window);
      break;
    case Command::previous_instrument:
      step_instrument(piano, -1);
      break;
    case Command::louder:
      step_volume(piano, +1);
      break;
    case Command::previous_device:
      select_previous_device(piano);
      break;
    case Command::lower_pitch:
      step_fine_pitch(piano, -1);
      break;
    case Command::higher_pitch:
      step_fine_pitch(piano, +1);
      break;
    case Command::next_instrument:
      step_instrument(piano, +1);
      break;
    case Command::softer:
      step_volume(piano, -1);
      break;
    case Command::next_device:
      select_next_device(piano);
      break;
    case Command::transpose_up:
      step_transpose(piano, +1);
      break;
    case Command::transpose_down:
      step_transpose(piano, -1);
      break;
  }
}

void show_help(Piano& piano) {
  piano.view.show_message(std::string(version_line), std::string(help_document));
}

void exit_program(WindowPort& window) {
  window.close_window();
}

}  // namespace tastarion
