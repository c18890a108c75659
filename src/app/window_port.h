#pragma once

namespace tastarion {

// What piano_window_proc asks of the main window beyond the core's PianoView.
// All calls come on the window thread.
class WindowPort {
 public:
  virtual ~WindowPort() = default;

  // Closes the main window; the program ends when its event loop returns.
  virtual void close_window() = 0;
  // Shows the popup menu with its left top corner at the client point and
  // returns the chosen item's id, or 0 when it closed without a choice.
  virtual int run_popup_menu(int x, int y) = 0;
  // Gives the keyboard focus back to the main window.
  virtual void take_focus() = 0;
  // Paints the keyboard picture into the client area.
  virtual void paint_keyboard() = 0;
};

}  // namespace tastarion
