#include "app/program.h"

namespace tastarion {

Program::Program(MidiOutputService& midi, TimerService& timers, Clock& clock, TraceSink trace,
                 TraceSink errors)
    : piano_(midi, timers, clock, window_, std::move(trace), std::move(errors)) {
  window_.attach(piano_);
}

Program::~Program() {
  if (opening_.joinable()) opening_.join();
}

bool Program::start() {
  piano_.show_settings();
  window_.show();
  window_.activateWindow();
  window_.setFocus(Qt::OtherFocusReason);
  // Key messages arrive only once the event loop runs, after the buffer exists.
  if (!piano_.allocate_buffer()) {
    window_.show_message(kBufferFailureText);
    return false;
  }
  // The SoundFont, the sound server and the JACK clients take their time; the
  // window does not wait for them. Until the device opens, notes are dropped.
  opening_ = std::thread([this] {
    FirstDevice first = piano_.port().open_first();
    QMetaObject::invokeMethod(
        &window_,
        [this, first = std::move(first)] {
          device_started_ = true;
          piano_.device_started(first);
        },
        Qt::QueuedConnection);
  });
  return true;
}

void Program::finish() {
  if (opening_.joinable()) opening_.join();
  piano_.finish();
}

}  // namespace tastarion
