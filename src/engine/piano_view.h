#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tastarion {

// What the core asks of the window. Every method has a do-nothing default so that
// tests override only what they watch.
class PianoView {
 public:
  virtual ~PianoView() = default;

  // May be called from the timer thread: the window hands these to its own thread
  // with a queued call and never makes the caller wait.
  virtual void draw_mark(bool /*on*/, uint8_t /*note*/) {}
  virtual void set_title(const std::string& /*title*/) {}

  // Window thread only. Moving a control this way sends no notification back.
  virtual void set_volume_slider(int /*value*/) {}
  virtual void set_pitch_slider(int /*value*/) {}
  virtual void set_mm_slider(int /*value*/) {}
  virtual void select_transpose_row(int /*row*/) {}
  virtual void select_instrument_row(int /*row*/) {}
  virtual void add_device_name(const std::string& /*name*/) {}
  virtual void select_device_row(int /*row*/) {}
  // A modal OK box with the given caption.
  virtual void show_message(const std::string& /*caption*/, const std::string& /*text*/) {}
  // The save dialog: the chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> ask_save_file_name() { return std::nullopt; }
  // A failed save's box, offering another place: true when the user wants the
  // save dialog again.
  virtual bool ask_save_elsewhere(const std::string& caption, const std::string& text) {
    show_message(caption, text);
    return false;
  }
  // True once the program is ending: a dialog that returns now was not
  // answered by the user.
  virtual bool closing() const { return false; }
};

}  // namespace tastarion
