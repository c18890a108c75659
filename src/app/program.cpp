#include "app/program.h"

#include "app/piano_window_proc.h"
#include "engine/midi_output_port.h"
#include "recorder/replayer.h"
#include "timing/metronome.h"

namespace tastarion {

namespace {
// Row i of the transposition list stands for 12 - i.
constexpr int kTransposeTopRow = 12;
}  // namespace

Program::Program(MidiOutputService& midi, TimerService& timers, Clock& clock, TraceSink trace)
    : piano_(midi, timers, clock, window_, std::move(trace)) {
  window_.set_message_sink(
      [this](const WindowMessage& message) { piano_window_proc(piano_, window_, message); });
}

Program::~Program() {
  if (opening_.joinable()) opening_.join();
}

bool Program::start() {
  const PianoState& state = piano_.state;
  window_.set_volume_slider(state.volume);
  window_.set_pitch_slider(state.fine_pitch);
  window_.set_mm_slider(state.mm_speed);
  window_.select_transpose_row(kTransposeTopRow - state.transpose);
  window_.select_instrument_row(state.instrument_index);
  window_.show();
  window_.activateWindow();
  window_.take_focus();
  // Key messages arrive only once the event loop runs, after the buffer exists.
  if (!piano_.state.event_buffer.allocate()) {
    window_.show_message(std::string(version_line), kBufferFailureText);
    return false;
  }
  // The SoundFont, the sound server and the JACK clients take their time; the
  // window does not wait for them. Until the device opens, notes are dropped.
  opening_ = std::thread([this] {
    FirstDevice first = piano_.midi_out.open_first();
    QMetaObject::invokeMethod(
        &window_,
        [this, first = std::move(first)] {
          device_started_ = true;
          finish_midi_out(piano_, first);
        },
        Qt::QueuedConnection);
  });
  return true;
}

void Program::finish() {
  if (opening_.joinable()) opening_.join();
  stop_metronome(piano_);
  stop_replay(piano_);
  piano_.midi_out.silence_and_close();
  piano_.state.event_buffer.release();
}

}  // namespace tastarion
