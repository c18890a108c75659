#include "engine/midi_output_port.h"

#include "engine/short_message.h"
#include "engine/sound_settings.h"

namespace tastarion {

void start_midi_out(Piano& piano) {
  finish_midi_out(piano, piano.midi_out.open_first());
}

void finish_midi_out(Piano& piano, const FirstDevice& first) {
  auto& state = piano.state;
  state.device_count = static_cast<int>(first.names.size());
  for (const std::string& name : first.names) piano.view.add_device_name(name);
  state.device_index = 0;
  // The list shows the device that plays, and no row while none does.
  piano.view.select_device_row(first.opened ? 0 : -1);
  if (!first.opened) report_open_failure(piano, first.failure);
}

void report_open_failure(Piano& piano, const std::string& reasons) {
  std::string text = kOpenFailureText;
  text += '\n';
  if (!reasons.empty()) text += reasons + (reasons.back() == '\n' ? "" : "\n");
  text += kOpenFailureHelp;
  piano.errors(text + '\n');
  piano.view.show_message(std::string(version_line), text);
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
  auto& state = piano.state;
  if (index < 0 || index >= state.device_count) return;
  const int previous = state.device_index;
  const bool previous_open = piano.midi_out.is_open();
  // The port silences what still sounds on the old device before it closes it.
  if (piano.midi_out.switch_to(index)) {
    state.device_index = index;
  } else {
    // The program stays on the device it had: opened again, it needs the
    // settings again too.
    const std::string reasons = piano.midi_out.open_failure();
    if (previous_open) piano.midi_out.switch_to(previous);
    piano.view.select_device_row(piano.midi_out.is_open() ? previous : -1);
    report_open_failure(piano, reasons);
    if (!piano.midi_out.is_open()) return;
  }
  send_program_change_all(piano);
  // The fine pitch follows the instrument, so that the slider tells the truth.
  send_pitch_bend_all(piano);
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
