#include "timing/metronome.h"

#include <algorithm>

namespace tastarion {

namespace {

void start_timer(Piano& piano) {
  piano.state.metronome_timer = piano.timers.set_periodic(metronome_period_ms(piano.state.mm_speed),
                                                          [&piano] { metronome_tick(piano); });
}

}  // namespace

void toggle_metronome(Piano& piano) {
  PianoState& state = piano.state;
  state.metronome_on = ~state.metronome_on;
  if (state.metronome_on != 0) {
    start_timer(piano);
  } else {
    piano.timers.kill(state.metronome_timer);
  }
}

void change_mm_speed(Piano& piano, int value) {
  PianoState& state = piano.state;
  // The slider's range; anything else would give a zero or absurd period.
  state.mm_speed = std::clamp(value, kMinMmSpeed, kMaxMmSpeed);
  piano.timers.kill(state.metronome_timer);
  if (state.metronome_on != 0) start_timer(piano);
}

void step_mm_speed(Piano& piano, int direction) {
  PianoState& state = piano.state;
  if (direction < 0 ? state.mm_speed <= kMinMmSpeed : state.mm_speed >= kMaxMmSpeed) return;
  state.mm_speed += direction < 0 ? -1 : 1;
  piano.view.set_mm_slider(state.mm_speed);
  if (state.metronome_on != 0) {
    piano.timers.kill(state.metronome_timer);
    start_timer(piano);
  }
}

void metronome_tick(Piano& piano) {
  piano.midi_out.send(metronome_click(piano.state.volume.load(std::memory_order_relaxed)));
}

void stop_metronome(Piano& piano) {
  piano.timers.kill(piano.state.metronome_timer);
  piano.state.metronome_on = 0;
}

}  // namespace tastarion
