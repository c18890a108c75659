#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "app/main_window.h"
#include "instrument/piano.h"

namespace tastarion {

class MidiInputLink;
class MidiInputPorts;

inline constexpr MarkedText kBufferFailure =
    PLAYER_TEXT("Program", "Not enough memory for the recording buffer; Tastarion cannot run.");

// The program's parts wired together: the window is the piano's view and
// plays it. Needs a QApplication.
class Program {
 public:
  Program(MidiOutputService& midi, TimerService& timers, Clock& clock,
          TraceSink trace = print_to_stdout, TraceSink errors = print_to_stderr);
  ~Program();

  MainWindow& window() { return window_; }
  Piano& piano() { return piano_; }

  // Start-up, in this order: the control strip set to the settings, the window
  // shown, the recording buffer obtained, and device 0 opening on a thread of
  // its own; the event loop then fills the device list and shows a failure.
  // False when the buffer cannot be had; the user has been told and the program
  // must end.
  bool start();
  // Plays what the MIDI input ports receive; they are started here. The ports
  // must outlive the program's end (finish()).
  void listen_to(MidiInputPorts& inputs);

  // True once the device list is filled and device 0 opened or failed.
  bool device_started() const { return piano_.devices_started(); }
  // The end of the run: the opening of device 0 is over (or, stuck in a sound
  // library, left behind: see left_behind.h), no timer routine runs
  // or is pending, the notes left sounding are silenced, the device is closed
  // and the buffer released.
  void finish();

 private:
  // Opens device 0 on a thread of its own; the result comes back as a queued call.
  void start_opening();

  MainWindow window_;
  // The takes' memory, obtained at the start (allocate_buffer).
  EventBuffer take_;
  Piano piano_;
  std::unique_ptr<MidiInputLink> input_link_;
  std::thread opening_;
  std::atomic<bool> opening_done_{false};
};

}  // namespace tastarion
