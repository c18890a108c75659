#include "engine/voice_slots.h"

#include "engine/short_message.h"

namespace tastarion {

VoiceSlots::VoiceSlots() {
  key_notes_[kMetronomeChannel] = kReserved;
}

int VoiceSlots::find_free() const {
  for (int i = 0; i < kChannelCount; ++i) {
    if (key_notes_[i] != kReserved && !taken_[i] && !replay_[i]) return i;
  }
  return -1;
}

int VoiceSlots::find_key(uint16_t key_id) const {
  for (int i = 0; i < kChannelCount; ++i) {
    if (busy(i) && key_ids_[i] == key_id) return i;
  }
  return -1;
}

void VoiceSlots::take(int slot, uint8_t key_note, uint8_t sent_note, uint16_t key_id) {
  key_notes_[slot] = key_note;
  sent_notes_[slot] = sent_note;
  key_ids_[slot] = key_id;
  taken_[slot] = true;
}

void VoiceSlots::free(int slot) {
  key_notes_[slot] = kFree;
  sent_notes_[slot] = 0;
  key_ids_[slot] = 0;
  taken_[slot] = false;
}

}  // namespace tastarion
