#pragma once

#include <array>
#include <cstdint>

namespace tastarion {

// One voice slot per MIDI channel. An entry holds 0 (free), the key note of the
// key sounding on that channel, or 0xFF (reserved: the metronome's channel). A
// note from a MIDI input may be note 0, so whether a slot is taken is kept
// beside the entry.
// Beside each key note the slot keeps the note number its note-on carried, so
// that the note-off names the same note whatever the transposition is by then,
// and the key that took it, so that of two keys playing one note each release
// ends its own key's note.
class VoiceSlots {
 public:
  static constexpr uint8_t kFree = 0;
  static constexpr uint8_t kReserved = 0xFF;

  VoiceSlots();

  // Lowest free slot, or -1 when all fifteen usable slots are busy or held by
  // a replay.
  int find_free() const;
  // The busy slot taken by the key `key_id` (KeyEvent::key_id), or -1.
  int find_key(uint16_t key_id) const;
  // True when a held key sounds `sent_note` on `channel`.
  bool sounds(int channel, uint8_t sent_note) const {
    return busy(channel) && sent_notes_[channel] == sent_note;
  }

  void take(int slot, uint8_t key_note, uint8_t sent_note, uint16_t key_id);
  void free(int slot);
  // A replay's notes sound on a channel of their own, which no key takes meanwhile.
  bool held_by_replay(int slot) const { return replay_[slot]; }
  void hold_for_replay(int slot, bool held) { replay_[slot] = held; }

  uint8_t key_note(int slot) const { return key_notes_[slot]; }
  uint8_t sent_note(int slot) const { return sent_notes_[slot]; }
  uint16_t key_id(int slot) const { return key_ids_[slot]; }
  bool busy(int slot) const { return taken_[slot]; }

 private:
  std::array<uint8_t, 16> key_notes_{};
  std::array<uint8_t, 16> sent_notes_{};
  std::array<uint16_t, 16> key_ids_{};
  std::array<bool, 16> taken_{};
  std::array<bool, 16> replay_{};
};

}  // namespace tastarion
