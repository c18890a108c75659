#include "engine/midi_output_port.h"

#include "engine/short_message.h"
#include "engine/sound_settings.h"

namespace tastarion {

void start_midi_out(Piano& piano) {
  auto& state = piano.state;
  state.device_count = piano.midi_out.device_count();
  for (int id = 0; id < state.device_count; ++id) {
    piano.view.add_device_name(piano.midi_out.device_name(id));
  }
  state.device_index = 0;
  piano.view.select_device_row(0);
  if (!piano.midi_out.switch_to(0)) {
    piano.view.show_message(std::string(version_line), kOpenFailureText);
  }
}

void send_program_change_all(Piano& piano) {
  const auto program = static_cast<uint8_t>(piano.state.program_number);
  for (int channel = 0; channel < kChannelCount; ++channel) {
    piano.midi_out.send(pack_message(static_cast<uint8_t>(0xC0 + channel), program));
  }
}

void send_pitch_bend_all(Piano& piano) {
  const auto high = static_cast<uint8_t>(pitch_bend_high_byte(piano.state.fine_pitch));
  for (int channel = 0; channel < kChannelCount; ++channel) {
    piano.midi_out.send(pack_message(static_cast<uint8_t>(0xE0 + channel), 0, high));
  }
}

void change_device(Piano& piano, int index) {
  if (index < 0 || index >= piano.state.device_count) return;
  piano.state.device_index = index;
  // The port silences what still sounds on the old device before it closes it.
  piano.midi_out.switch_to(index);
  send_program_change_all(piano);
}

void select_previous_device(Piano& piano) {
  auto& state = piano.state;
  if (state.device_index <= 0) return;
  piano.view.select_device_row(state.device_index - 1);
  change_device(piano, state.device_index - 1);
}

void select_next_device(Piano& piano) {
  auto& state = piano.state;
  if (state.device_index >= state.device_count - 1) return;
  piano.view.select_device_row(state.device_index + 1);
  change_device(piano, state.device_index + 1);
}

}  // namespace tastarion
