#pragma once

#include <array>
#include <bitset>

#include "engine/short_message.h"

namespace tastarion {

// Which notes sound on which channel and where the sustain pedal is down, as
// the messages followed leave them: what an output owes its device when it
// stops (note-offs, the pedal lifted). Not thread-safe; its owner locks.
class SoundingNotes {
 public:
  // A note-on, a note-off or a pedal change; other messages change nothing.
  void follow(ShortMessage message) {
    const int channel = message.channel();
    if (message.is_control(kSustainPedal)) {
      pedal_down_[channel] = message.value() >= 64;
    } else if (message.is_note()) {
      notes_[channel][message.note()] = message.starts_note();
    }
  }

  bool sounds(int channel, int note) const { return notes_[channel & 0x0F][note & 0x7F]; }
  bool any_on(int channel) const { return notes_[channel & 0x0F].any(); }
  int count() const {
    int n = 0;
    for (const auto& notes : notes_) n += static_cast<int>(notes.count());
    return n;
  }

  // Calls `off(channel, note)` for each sounding note of `channel` (all when
  // -1), then forgets them.
  template <typename Off>
  void end_notes(Off&& off, int only_channel = -1) {
    for (int channel = 0; channel < 16; ++channel) {
      if ((only_channel >= 0 && channel != only_channel) || notes_[channel].none()) continue;
      for (int note = 0; note < 128; ++note) {
        if (notes_[channel][note]) off(channel, note);
      }
      notes_[channel].reset();
    }
  }
  // Calls `up(channel)` for each channel with the pedal down, then forgets them.
  template <typename Up>
  void lift_pedals(Up&& up) {
    for (int channel = 0; channel < 16; ++channel) {
      if (pedal_down_[channel]) up(channel);
    }
    pedal_down_.reset();
  }
  void clear() {
    for (auto& notes : notes_) notes.reset();
    pedal_down_.reset();
  }

 private:
  std::array<std::bitset<128>, 16> notes_{};
  std::bitset<16> pedal_down_{};
};

}  // namespace tastarion
