#pragma once

#include <array>
#include <atomic>

#include "engine/setting.h"

namespace tastarion {

// Volume step; a note-on or click carries velocity_of(volume).
inline constexpr Setting kVolumeSetting{0, 10, 8};
// Fine pitch in cents, sent as a pitch bend on every channel.
inline constexpr Setting kFinePitchSetting{-100, 100, 0};
// Transposition in semitones, added to the key's note.
inline constexpr Setting kTransposeSetting{-12, 12, 0};
// Index into instrument_names.
inline constexpr Setting kInstrumentSetting{0, 8, 0};
// The metronome's speed in beats per minute; the metronome keeps it.
inline constexpr Setting kMmSpeedSetting{30, 240, 60};

// "number name"; the number is the General MIDI program.
extern const std::array<const char*, 9> instrument_names;

// Velocity of the note-ons and clicks sent at the given volume step.
constexpr int velocity_of(int volume) {
  return volume * 12;
}
// Second data byte of the pitch bend for a fine pitch in cents.
constexpr int pitch_bend_high_byte(int fine_pitch) {
  return fine_pitch / 3 + 64;
}
// The General MIDI program of an instrument: the leading number of its name.
int program_number_of(int instrument);

// The sound settings. Every setter refuses a value outside its setting's range
// and says whether it took it. Window thread, except volume(), which the
// metronome reads at each click on the timer thread.
class SoundSettings {
 public:
  int volume() const { return volume_.load(std::memory_order_relaxed); }
  int fine_pitch() const { return fine_pitch_; }
  int transpose() const { return transpose_; }
  int instrument() const { return instrument_; }
  int program_number() const { return program_number_of(instrument_); }
  int velocity() const { return velocity_of(volume()); }

  bool set_volume(int value);
  bool set_fine_pitch(int value);
  bool set_transpose(int value);
  bool set_instrument(int value);

 private:
  std::atomic<int> volume_{kVolumeSetting.initial};
  int fine_pitch_ = kFinePitchSetting.initial;
  int transpose_ = kTransposeSetting.initial;
  int instrument_ = kInstrumentSetting.initial;
};

}  // namespace tastarion
