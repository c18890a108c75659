#pragma once

#include <cstdint>
#include <functional>
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
  uint8_t key_note;   // the key's own note, 43..85
  uint8_t sent_note;  // the note the message carried
  uint8_t velocity;   // the message's second byte, 0 for a release
};

// Told of every note message the note path sends, after it went out (the
// recorder and the guide marks listen).
class NoteListener {
 public:
  virtual ~NoteListener() = default;
  virtual void note_played(const PlayedNote& note) = 0;
};

// The voice slots of the held keys as another thread may look at them.
class HeldKeys {
 public:
  virtual ~HeldKeys() = default;
  // Runs `look` with the slots held still: no key takes or frees a slot, nor
  // sends its note, until it returns.
  virtual void while_held(const std::function<void(const VoiceSlots&)>& look) const = 0;
};

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
  // Releases every held key as if it had come up (the window lost the keyboard).
  void release_all_keys();

  const VoiceSlots& voice_slots() const { return slots_; }
  void while_held(const std::function<void(const VoiceSlots&)>& look) const override;

 private:
  void release_slot(int slot);

  MidiPort& port_;
  const SoundSettings& settings_;
  NoteListener& listener_;
  // Taken with each change of a slot and its note message together.
  mutable std::mutex slots_lock_;
  VoiceSlots slots_;
};

}  // namespace tastarion
