#pragma once

#include <cstdint>

#include "engine/midi_port.h"
#include "engine/short_message.h"
#include "engine/sound_settings.h"
#include "timing/timer.h"

namespace tastarion {

constexpr uint32_t metronome_period_ms(int mm_speed) {
  return 60000 / mm_speed;
}
// Note-on, channel 10, note 56 (cowbell), velocity volume * 12.
constexpr ShortMessage metronome_click(int volume) {
  return ShortMessage::note_on(kMetronomeChannel, 0x38, velocity_of(volume));
}

// The periodic click. Its timer runs while it is on and stops when it goes away.
class Metronome {
 public:
  Metronome(TimerService& timers, MidiPort& port, const SoundSettings& settings)
      : timer_(timers), port_(port), settings_(settings) {}

  bool on() const { return on_; }
  int mm_speed() const { return mm_speed_; }

  void toggle_metronome();
  // A speed from the control; one outside the range is taken as the nearest
  // limit, anything else would give a zero or absurd period. Restarts the beat.
  void change_mm_speed(int value);
  // One beat per minute faster (direction > 0) or slower; false at the limit.
  bool step_mm_speed(int direction);
  // One click at the volume in force (timer thread).
  void metronome_tick();
  // Off, and no tick runs afterwards.
  void stop();

 private:
  void restart();

  Timer timer_;
  MidiPort& port_;
  const SoundSettings& settings_;
  int mm_speed_ = kMmSpeedSetting.initial;
  bool on_ = false;
};

}  // namespace tastarion
