#include "engine/sound_settings.h"

#include <cstdlib>

#include "engine/midi_output_port.h"

namespace tastarion {

const std::array<const char*, 25> transpose_names = {
    "+C",     "+B", "+Bb/A#", "+A",     "+G#/Ab", "+G",     "+F#/Gb", "+F",     "+E",
    "+D#/Eb", "+D", "+C#/Db", "C",      "-B",     "-A#/Bb", "-A",     "-G#/Ab", "-G",
    "-F#/Gb", "-F", "-E",     "-D#/Eb", "-D",     "-C#/Db", "-C"};

const std::array<const char*, 9> instrument_names = {"0 Piano",    "6 Harpsicord", "11 Vibraphone",
                                                     "16 Organ",   "24 Guitar",    "40 Violin",
                                                     "56 Trampet", "68 Oboe",      "73 Flute"};

int program_number_of_row(int row) {
  // The leading integer of the row; the blank and the name end it.
  return std::atoi(instrument_names[row]);
}

void change_volume(Piano& piano, int value) {
  piano.state.volume = value;
}

void change_fine_pitch(Piano& piano, int value) {
  piano.state.fine_pitch = value;
  send_pitch_bend_all(piano);
}

void change_transpose(Piano& piano, int value) {
  piano.state.transpose = value;
}

void change_instrument(Piano& piano, int row) {
  piano.state.instrument_index = row;
  piano.state.program_number = program_number_of_row(row);
  send_program_change_all(piano);
}

void step_volume(Piano& piano, int direction) {
  auto& state = piano.state;
  const int volume = state.volume;
  if (direction > 0 ? volume > 9 : volume <= 0) return;
  state.volume = volume + direction;
  piano.view.set_volume_slider(volume + direction);
}

void step_fine_pitch(Piano& piano, int direction) {
  auto& state = piano.state;
  if (direction > 0 ? state.fine_pitch >= 100 : state.fine_pitch <= -100) return;
  state.fine_pitch += direction;
  piano.view.set_pitch_slider(state.fine_pitch);
  send_pitch_bend_all(piano);
}

void step_transpose(Piano& piano, int direction) {
  auto& state = piano.state;
  if (direction > 0 ? state.transpose > 11 : state.transpose <= -12) return;
  state.transpose += direction;
  piano.view.select_transpose_row(12 - state.transpose);
}

void step_instrument(Piano& piano, int direction) {
  auto& state = piano.state;
  if (direction > 0 ? state.instrument_index >= 8 : state.instrument_index <= 0) return;
  state.instrument_index += direction;
  piano.view.select_instrument_row(state.instrument_index);
  state.program_number = program_number_of_row(state.instrument_index);
  send_program_change_all(piano);
}

}  // namespace tastarion
