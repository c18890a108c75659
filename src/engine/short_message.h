#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace tastarion {

// Channel 10 (status nibble 9) belongs to the metronome and never carries a played note.
inline constexpr int kMetronomeChannel = 9;
inline constexpr int kChannelCount = 16;

// Controllers: the sustain (hold) pedal, down at 64 and above; the modulation
// wheel; the channel mode messages from All Sound Off on, All Notes Off among them.
inline constexpr uint8_t kSustainPedal = 64;
inline constexpr uint8_t kModulation = 1;
inline constexpr uint8_t kAllSoundOff = 120;
inline constexpr uint8_t kResetAllControllers = 121;
inline constexpr uint8_t kAllNotesOff = 123;

// A MIDI channel message: a status byte and up to two data bytes. The makers
// are the only place that builds a status byte. Channels are 0..15 (channel 10
// is 9) and a channel keeps only its low four bits; a data value outside 0..127
// is taken as the nearest limit. So no argument turns one kind into another.
class ShortMessage {
 public:
  enum class Kind : uint8_t {
    note_off = 0x80,
    note_on = 0x90,
    key_pressure = 0xA0,
    control_change = 0xB0,
    program_change = 0xC0,
    channel_pressure = 0xD0,
    pitch_bend = 0xE0,
    system = 0xF0,
  };
  static constexpr int kBendCentre = 8192;

  constexpr ShortMessage() = default;

  static constexpr ShortMessage note_on(int channel, int note, int velocity) {
    return make(Kind::note_on, channel, note, velocity);
  }
  // A note's end goes out as a note-on with velocity 0; status 0x80 is never sent.
  static constexpr ShortMessage note_off(int channel, int note) {
    return make(Kind::note_on, channel, note, 0);
  }
  static constexpr ShortMessage control_change(int channel, int controller, int value) {
    return make(Kind::control_change, channel, controller, value);
  }
  static constexpr ShortMessage sustain_pedal(int channel, bool down) {
    return control_change(channel, kSustainPedal, down ? 127 : 0);
  }
  static constexpr ShortMessage all_notes_off(int channel) {
    return control_change(channel, kAllNotesOff, 0);
  }
  static constexpr ShortMessage key_pressure(int channel, int note, int pressure) {
    return make(Kind::key_pressure, channel, note, pressure);
  }
  static constexpr ShortMessage channel_pressure(int channel, int pressure) {
    return make(Kind::channel_pressure, channel, pressure, 0);
  }
  static constexpr ShortMessage program_change(int channel, int program) {
    return make(Kind::program_change, channel, program, 0);
  }
  // `bend` 0..16383, 8192 the centre; low seven bits first, as on the wire.
  static constexpr ShortMessage pitch_bend(int channel, int bend) {
    const int clamped = std::clamp(bend, 0, 16383);
    return make(Kind::pitch_bend, channel, clamped & 0x7F, clamped >> 7);
  }
  // The bytes of a recorded or received message, taken as they stand.
  static constexpr ShortMessage from_bytes(uint8_t status, uint8_t data1, uint8_t data2 = 0) {
    return ShortMessage(status, data1, data2);
  }

  // Data bytes that follow a channel message's status byte: one for a program
  // change or channel pressure, two for the others.
  static constexpr int data_length(uint8_t status) {
    const auto kind = static_cast<Kind>(status & 0xF0);
    return kind == Kind::program_change || kind == Kind::channel_pressure ? 1 : 2;
  }

  constexpr Kind kind() const { return static_cast<Kind>(status_ & 0xF0); }
  constexpr int channel() const { return status_ & 0x0F; }
  // A note-on with a velocity: it starts a note.
  constexpr bool starts_note() const { return kind() == Kind::note_on && data2_ != 0; }
  // A note-off, or a note-on with velocity 0: it ends one.
  constexpr bool ends_note() const {
    return kind() == Kind::note_off || (kind() == Kind::note_on && data2_ == 0);
  }
  constexpr bool is_note() const { return kind() == Kind::note_on || kind() == Kind::note_off; }
  constexpr bool is_control(uint8_t controller) const {
    return kind() == Kind::control_change && data1_ == controller;
  }
  // A wheel, a controller other than the pedal or the channel mode messages, or
  // a pressure: how a player shapes notes that already sound.
  constexpr bool is_expression() const {
    return kind() == Kind::pitch_bend || kind() == Kind::key_pressure ||
           kind() == Kind::channel_pressure ||
           (kind() == Kind::control_change && data1_ != kSustainPedal && data1_ < kAllSoundOff);
  }
  constexpr int note() const { return data1_ & 0x7F; }
  constexpr int velocity() const { return data2_ & 0x7F; }
  constexpr int controller() const { return data1_ & 0x7F; }
  constexpr int value() const { return data2_ & 0x7F; }
  constexpr int program() const { return data1_ & 0x7F; }
  constexpr int bend() const { return (data1_ & 0x7F) | ((data2_ & 0x7F) << 7); }

  // The same message on `channel`; a system message stays as it is.
  constexpr ShortMessage on_channel(int channel) const {
    if (kind() == Kind::system) return *this;
    return ShortMessage(static_cast<uint8_t>((status_ & 0xF0) | (channel & 0x0F)), data1_, data2_);
  }

  constexpr uint8_t status() const { return status_; }
  constexpr uint8_t data1() const { return data1_; }
  constexpr uint8_t data2() const { return data2_; }
  // Packed as the output call takes it: status in bits 0-7, first data byte in
  // bits 8-15, second data byte in bits 16-23.
  constexpr std::array<uint8_t, 3> bytes() const { return {status_, data1_, data2_}; }
  constexpr uint32_t packed() const {
    return uint32_t{status_} | (uint32_t{data1_} << 8) | (uint32_t{data2_} << 16);
  }

  friend constexpr bool operator==(ShortMessage, ShortMessage) = default;

 private:
  constexpr ShortMessage(uint8_t status, uint8_t data1, uint8_t data2)
      : status_(status), data1_(data1), data2_(data2) {}
  static constexpr ShortMessage make(Kind kind, int channel, int data1, int data2) {
    return ShortMessage(static_cast<uint8_t>(static_cast<int>(kind) | (channel & 0x0F)),
                        static_cast<uint8_t>(std::clamp(data1, 0, 127)),
                        static_cast<uint8_t>(std::clamp(data2, 0, 127)));
  }

  uint8_t status_ = 0;
  uint8_t data1_ = 0;
  uint8_t data2_ = 0;
};

}  // namespace tastarion
