#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "engine/key_event.h"
#include "engine/midi_port.h"
#include "engine/sound_settings.h"
#include "engine/voice_slots.h"

namespace tastarion {

// A note message the note path has just sent for a key.
struct PlayedNote {
  bool press;
  int slot;           // the channel
  uint8_t key_note;   // the key's own note, 43..85 (0..127 from a MIDI input)
  uint8_t sent_note;  // the note the message carried
  uint8_t velocity;   // the message's second byte, 0 for a release
  uint16_t key_id;    // the key, the mouse (kMouseKeyId) or a MIDI input (input_key_id)
};

// Told of every note message the note path sends, after it went out (the
// recorder and the guide marks listen).
class NoteListener {
 public:
  virtual ~NoteListener() = default;
  virtual void note_played(const PlayedNote& note) = 0;
  // The sustain pedal went down or up on every note channel.
  virtual void pedal_played(bool /*down*/) {}
};

// The channels of the held keys as a replay, on another thread, shares them:
// a replayed note and a held key are two notes, each on a channel of its own.
class HeldKeys {
 public:
  virtual ~HeldKeys() = default;
  // A channel for a replay's notes that were recorded on `wanted`: `wanted`
  // itself when no key sounds on it and no replay holds it, else the lowest such
  // channel; -1 when none is free. No key takes it until it is given back.
  virtual int take_replay_channel(int wanted) = 0;
  virtual void give_back_replay_channel(int channel) = 0;
  // Whether the player holds the sustain pedal down.
  virtual bool pedal_held() const { return false; }
};

// The key id the mouse plays under: no key of the keyboard has it.
inline constexpr uint16_t kMouseKeyId = 0x400;

// The key ids of notes from MIDI inputs: one per input port, channel and note,
// above every key's and the mouse's.
inline constexpr uint16_t kFirstInputKeyId = 0x800;
constexpr uint16_t input_key_id(uint8_t port, uint8_t channel, uint8_t note) {
  return static_cast<uint16_t>(kFirstInputKeyId + (port << 11) + ((channel & 0x0F) << 7) +
                               (note & 0x7F));
}
constexpr bool is_input_key(uint16_t key_id) {
  return key_id >= kFirstInputKeyId;
}
constexpr uint8_t input_port_of(uint16_t key_id) {
  return static_cast<uint8_t>((key_id - kFirstInputKeyId) >> 11);
}
constexpr uint8_t input_channel_of(uint16_t key_id) {
  return static_cast<uint8_t>(((key_id - kFirstInputKeyId) >> 7) & 0x0F);
}
// Whether `key_id` is a note that MIDI input port `port` started on `channel`.
constexpr bool is_input_key_of(uint16_t key_id, uint8_t port, uint8_t channel) {
  return is_input_key(key_id) && input_port_of(key_id) == port &&
         input_channel_of(key_id) == (channel & 0x0F);
}

// The note path: piano keys take voice slots and sound on their channels.
// Window thread; other threads look at the slots through HeldKeys.
class NotePath final : public HeldKeys {
 public:
  NotePath(MidiPort& port, const SoundSettings& settings, NoteListener& listener)
      : port_(port), settings_(settings), listener_(listener) {}

  // A free slot, the note-on with the transposition and velocity in force.
  // Auto-repeats, keys that are not piano keys and presses finding no free slot
  // do nothing.
  void note_key_down(const KeyEvent& key);
  // The note-off on the slot the key took, with the note its note-on carried,
  // and the slot freed.
  void note_key_up(const KeyEvent& key);
  // Releases every sounding note as if its key had come up (panic).
  void release_all_keys();
  // Releases the notes of the window's keys and the mouse, not those of MIDI
  // inputs (the window lost the keyboard; a MIDI keyboard still plays).
  void release_window_keys();
  // The same path for a note chosen otherwise than by a key (the mouse on the
  // picture): `key_id` stands for the key. Notes off the keyboard do nothing.
  void note_down(uint8_t key_note, uint16_t key_id);
  // The same with a velocity of its own rather than the volume's.
  void note_down(uint8_t key_note, uint16_t key_id, uint8_t velocity);
  void note_up(uint16_t key_id);

  // A note from a MIDI input, `key_id` from input_key_id: any note 0..127,
  // transposed, with the velocity it came with. A note whose transposition
  // leaves 0..127 is dropped. A note-on for a note that still sounds ends it
  // first, so that one note-off always ends it.
  void note_in_down(uint16_t key_id, uint8_t note, uint8_t velocity);
  // Ends the note `key_id` started; nothing when it started none.
  void note_in_up(uint16_t key_id) { note_up(key_id); }
  // Ends every note that MIDI input port `port` started (the port went away).
  void release_input_port(uint8_t port);
  // Ends every note that `port` started on `channel` (its All Notes Off).
  void release_input_channel(uint8_t port, uint8_t channel);

  // The sustain pedal: controller 64 at 127, then at 0, on the fifteen note
  // channels (not the metronome's). A press while it is down, and a release
  // while it is up, do nothing.
  void pedal_down();
  void pedal_up();
  bool pedal_held() const override { return pedal_.load(); }
  int take_replay_channel(int wanted) override;
  void give_back_replay_channel(int channel) override;

  const VoiceSlots& voice_slots() const { return slots_; }

 private:
  void release_slot(int slot);
  void take_slot(uint8_t key_note, uint8_t sent_note, uint8_t velocity, uint16_t key_id);
  void send_pedal(bool down);

  MidiPort& port_;
  const SoundSettings& settings_;
  NoteListener& listener_;
  // Taken with each change of a slot and its note message together, and by
  // the replay's channels (timer thread).
  mutable std::mutex slots_lock_;
  VoiceSlots slots_;
  std::atomic<bool> pedal_{false};
};

}  // namespace tastarion
