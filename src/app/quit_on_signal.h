#pragma once

namespace tastarion {

// Turns SIGINT, SIGTERM and SIGHUP into a normal end of the event loop, so that
// the end of the program still silences the notes left sounding and closes the
// device. Call once, after the QApplication exists.
void quit_on_signals();

}  // namespace tastarion
