#pragma once

#include "app/main_window.h"
#include "instrument/piano.h"

namespace tastarion {

inline constexpr const char* kBufferFailureText =
    "Not enough memory for the recording buffer; Tastarion cannot run.";

// The program's parts wired together: the window is the piano's view and
// plays it. Needs a QApplication.
class Program {
 public:
  Program(MidiOutputService& midi, TimerService& timers, Clock& clock,
          TraceSink trace = print_to_stdout);

  MainWindow& window() { return window_; }
  Piano& piano() { return piano_; }

  // Start-up, in this order: the control strip set to the settings, the device
  // list filled and device 0 opened (a failure is shown and the program goes
  // on), the window shown, the recording buffer obtained. False when the buffer
  // cannot be had; the user has been told and the program must end.
  bool start();
  // The end of the run: no timer routine runs or is pending, the notes left
  // sounding are silenced, the device is closed and the buffer released.
  void finish();

 private:
  MainWindow window_;
  Piano piano_;
};

}  // namespace tastarion
