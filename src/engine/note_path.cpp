#include "engine/note_path.h"

#include <mutex>

#include "engine/key_map.h"
#include "engine/short_message.h"
#include "engine/sound_settings.h"
#include "recorder/recorder.h"

namespace tastarion {
namespace {

// Sends the note-off for the key in `slot`, frees it, erases its mark and
// records the release.
void release_slot(Piano& piano, int slot, uint8_t scan_code) {
  auto& slots = piano.state.voice_slots;
  const uint8_t key_note = slots.key_note(slot);
  const uint8_t sent_note = slots.sent_note(slot);
  {
    std::lock_guard lock(piano.state.replay_lock);
    piano.midi_out.send(pack_message(static_cast<uint8_t>(0x90 + slot), sent_note, 0));
    slots.free(slot);
  }
  piano.view.draw_mark(false, key_note);
  record_note_event(piano, false, slot, sent_note, 0, scan_code);
}

}  // namespace

void note_key_down(Piano& piano, uint32_t key_param) {
  if (is_auto_repeat(key_param)) return;
  const uint8_t key_note = key_to_note(key_param);
  // Keys that are not piano keys sound, record and draw nothing.
  if (key_note == 0) return;
  auto& state = piano.state;
  const int slot = state.voice_slots.find_free();
  // All fifteen channels busy: the press is dropped, every sounding note keeps its slot.
  if (slot < 0) return;
  state.current_slot = slot;
  // key notes 43..85 and transpositions -12..12 keep the sent note within 31..97.
  const auto sent_note = static_cast<uint8_t>(key_note + state.transpose);
  const auto velocity = static_cast<uint8_t>(velocity_of(state.volume.load()));
  {
    // The end of a replay looks at the held keys from the timer thread, and must
    // see the slot and the note-on together.
    std::lock_guard lock(state.replay_lock);
    state.voice_slots.take(slot, key_note, sent_note, key_id_of(key_param));
    piano.midi_out.send(pack_message(static_cast<uint8_t>(0x90 + slot), sent_note, velocity));
  }
  record_note_event(piano, true, slot, sent_note, velocity, scan_code_of(key_param));
  piano.view.draw_mark(true, key_note);
}

void note_key_up(Piano& piano, uint32_t key_param) {
  const uint8_t key_note = key_to_note(key_param);
  if (key_note == 0) return;
  // The key's own slot: of two keys playing one note, each ends its own.
  const int slot = piano.state.voice_slots.find_key(key_id_of(key_param));
  // A release whose press found no slot (or went to another window) has nothing to end.
  if (slot < 0) return;
  release_slot(piano, slot, scan_code_of(key_param));
}

void release_all_keys(Piano& piano) {
  for (int slot = 0; slot < kChannelCount; ++slot) {
    // The scan code only matters to the recorder, which leaves out F2 alone.
    if (piano.state.voice_slots.busy(slot)) release_slot(piano, slot, 0);
  }
}

}  // namespace tastarion
