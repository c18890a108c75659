#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tastarion {

// A message from a MIDI keyboard that the piano acts on.
struct MidiInput {
  enum class Kind : uint8_t {
    note_on,
    note_off,
    // Controller 64: `value` 64 and above holds the pedal down.
    pedal,
    // Any other controller, `note` its number; 120..127 are the channel mode messages.
    control,
    // The wheel: `bend()` 0..16383, 8192 its centre.
    pitch_bend,
    // Channel aftertouch, `value` the pressure.
    channel_pressure,
    // Polyphonic aftertouch on `note`, `value` the pressure.
    key_pressure,
    // `note` the program.
    program,
    // The port went away: the notes it started end (never read from bytes).
    port_lost,
  };
  Kind kind = Kind::note_on;
  // Which of the program's input ports it came through.
  uint8_t port = 0;
  uint8_t channel = 0;  // 0..15
  uint8_t note = 0;     // 0..127; the controller's number, a program, the wheel's low bits
  uint8_t value = 0;    // the velocity, the controller's value, a pressure, the wheel's high bits
  int bend() const { return note | (value << 7); }
  bool operator==(const MidiInput&) const = default;
};

// Reads one event as a MIDI driver hands it over: exactly one complete channel
// message, whose status byte comes first. Real-time bytes (0xF8..0xFF) may sit
// anywhere in it and are skipped. Everything else gives nothing: running status
// (no status byte first), System Exclusive and other system messages, a
// message cut short or followed by more bytes, a data byte with its top bit
// set. A note-on with velocity 0 is read as a note-off.
std::optional<MidiInput> read_midi_input(const uint8_t* bytes, size_t length, uint8_t port = 0);

}  // namespace tastarion
