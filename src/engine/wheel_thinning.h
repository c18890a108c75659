#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>

#include "engine/midi_input_reader.h"

namespace tastarion {

// A wheel, a pressure or a continuous controller sends hundreds of values a
// second, a broken device thousands, and only the newest of each matters to
// what sounds. Between two other messages (a note, the pedal, a program, a
// channel mode message, a parameter controller) the values of one wheel on one
// channel are kept as the last one, in the order each wheel first moved, so
// that what goes before or after a note still does.
class WheelThinning {
 public:
  // Whether `input` is a wheel's value; if so it is held until the next flush.
  bool hold(const MidiInput& input);

  // Hands the held values to `push` in order; one that `push` refuses stays
  // held, with those after it. True when nothing stays.
  template <typename Push>
  bool flush(Push&& push) {
    for (; first_ < count_; ++first_) {
      const uint16_t key = order_[first_];
      if (!push(held_input(key))) return false;
      held_.reset(key);
    }
    first_ = count_ = 0;
    return true;
  }

  bool empty() const { return first_ == count_; }
  void clear();

 private:
  // One key per wheel: the bend and the channel pressure of each channel, each
  // controller of each channel, the pressure of each note of each channel.
  static constexpr size_t kKeys = 16 * (2 + 128 + 128);
  static int key_of(const MidiInput& input);
  MidiInput held_input(uint16_t key) const;

  std::bitset<kKeys> held_{};
  // The newest value of each held key: its `note` and `value` bytes.
  std::array<std::array<uint8_t, 2>, kKeys> data_{};
  // Held keys in the order they first came; [first_, count_) still to go.
  std::array<uint16_t, kKeys> order_{};
  size_t first_ = 0;
  size_t count_ = 0;
  uint8_t port_ = 0;
};

}  // namespace tastarion
