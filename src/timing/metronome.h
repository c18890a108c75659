#pragma once

#include <cstdint>

#include "engine/piano.h"
#include "engine/short_message.h"

namespace tastarion {

inline constexpr int kMinMmSpeed = 30;
inline constexpr int kMaxMmSpeed = 240;

constexpr uint32_t metronome_period_ms(int mm_speed) {
  return 60000 / mm_speed;
}
// Note-on, channel 10, note 56 (cowbell), velocity volume * 12.
constexpr ShortMessage metronome_click(int volume) {
  return pack_message(0x99, 0x38, volume * 12);
}

void toggle_metronome(Piano& piano);
void change_mm_speed(Piano& piano, int value);
void step_mm_speed(Piano& piano, int direction);
void metronome_tick(Piano& piano);
// Kills the metronome's timer at the end of the program; no tick runs afterwards.
void stop_metronome(Piano& piano);

}  // namespace tastarion
