#include "engine/midi_input_reader.h"

#include "engine/short_message.h"

namespace tastarion {

namespace {

constexpr bool is_real_time(uint8_t byte) {
  return byte >= 0xF8;
}

constexpr size_t data_length(uint8_t status) {
  return static_cast<size_t>(ShortMessage::data_length(status));
}

}  // namespace

std::optional<MidiInput> read_midi_input(const uint8_t* bytes, size_t length, uint8_t port) {
  // The status byte and up to two data bytes, real-time bytes left out.
  uint8_t message[3] = {};
  size_t count = 0;
  for (size_t i = 0; i < length; ++i) {
    const uint8_t byte = bytes[i];
    if (is_real_time(byte)) continue;
    if (count == 0) {
      // Running status, or a system message: nothing the piano plays.
      if (byte < 0x80 || byte >= 0xF0) return std::nullopt;
    } else if (byte >= 0x80 || count > data_length(message[0])) {
      // A second status byte, or more bytes than the message has.
      return std::nullopt;
    }
    message[count++] = byte;
  }
  if (count == 0 || count != 1 + data_length(message[0])) return std::nullopt;

  const auto read = ShortMessage::from_bytes(message[0], message[1], message[2]);
  MidiInput input;
  input.port = port;
  input.channel = static_cast<uint8_t>(read.channel());
  input.note = read.data1();
  input.value = read.data2();
  if (read.starts_note()) {
    input.kind = MidiInput::Kind::note_on;
  } else if (read.ends_note()) {
    input.kind = MidiInput::Kind::note_off;
    input.value = 0;
  } else if (read.is_control(kSustainPedal)) {
    input.kind = MidiInput::Kind::pedal;
  } else {
    switch (read.kind()) {
      case ShortMessage::Kind::control_change:
        input.kind = MidiInput::Kind::control;
        break;
      case ShortMessage::Kind::pitch_bend:
        input.kind = MidiInput::Kind::pitch_bend;
        break;
      case ShortMessage::Kind::channel_pressure:
        input.kind = MidiInput::Kind::channel_pressure;
        input.value = input.note;
        input.note = 0;
        break;
      case ShortMessage::Kind::key_pressure:
        input.kind = MidiInput::Kind::key_pressure;
        break;
      case ShortMessage::Kind::program_change:
        input.kind = MidiInput::Kind::program;
        break;
      default:
        return std::nullopt;
    }
  }
  return input;
}

}  // namespace tastarion
