#pragma once

namespace tastarion {

// Catches SIGINT, SIGTERM and SIGHUP from the first moment on: call first thing
// in main. A signal that comes before the event loop runs is kept and ends the
// loop as soon as it starts.
void catch_end_signals();

// Turns the caught signals into a normal end of every running event loop, the
// loops of message boxes and dialogs included, so that the end of the program
// still silences the notes left sounding and closes the device. Call once,
// after the QApplication exists.
void quit_on_signals();

// True once an end signal came.
bool end_signal_received();

// Without a display Qt gives up with advice meant for its packagers; this says
// what is wrong on standard error instead and ends with exit code 1. Call before
// the QApplication is made, and again with false once it exists.
void explain_missing_display(bool on);

}  // namespace tastarion
