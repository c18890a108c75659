#include "app/program.h"

namespace tastarion {

Program::Program(MidiOutputService& midi, TimerService& timers, Clock& clock, TraceSink trace)
    : piano_(midi, timers, clock, window_, std::move(trace)) {
  window_.attach(piano_);
}

bool Program::start() {
  piano_.start();
  window_.show();
  window_.activateWindow();
  window_.setFocus(Qt::OtherFocusReason);
  // Key messages arrive only once the event loop runs, after the buffer exists.
  if (!piano_.allocate_buffer()) {
    window_.show_message(kBufferFailureText);
    return false;
  }
  return true;
}

void Program::finish() {
  piano_.finish();
}

}  // namespace tastarion
