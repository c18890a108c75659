#pragma once

#include <array>

#include "engine/piano.h"

namespace tastarion {

// Row i stands for the transposition 12 - i.
extern const std::array<const char*, 25> transpose_names;
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
// The leading integer of an instrument_names row.
int program_number_of_row(int row);

// Change operations: the control already shows the value.
void change_volume(Piano& piano, int value);
void change_fine_pitch(Piano& piano, int value);
void change_transpose(Piano& piano, int value);
void change_instrument(Piano& piano, int row);

// Step operations, direction +1 or -1: guard, move the field, move the control, send.
void step_volume(Piano& piano, int direction);
void step_fine_pitch(Piano& piano, int direction);
void step_transpose(Piano& piano, int direction);
void step_instrument(Piano& piano, int direction);

}  // namespace tastarion
