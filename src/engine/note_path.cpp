#include "engine/note_path.h"

#include "engine/key_map.h"
#include "engine/short_message.h"

namespace tastarion {

int NotePath::take_replay_channel(int wanted) {
  std::lock_guard lock(slots_lock_);
  const auto usable = [this](int channel) {
    return channel >= 0 && channel < kChannelCount && channel != kMetronomeChannel &&
           !slots_.busy(channel) && !slots_.held_by_replay(channel);
  };
  const int channel = usable(wanted) ? wanted : slots_.find_free();
  if (channel >= 0) slots_.hold_for_replay(channel, true);
  return channel;
}

void NotePath::give_back_replay_channel(int channel) {
  std::lock_guard lock(slots_lock_);
  if (channel >= 0 && channel < kChannelCount) slots_.hold_for_replay(channel, false);
}

void NotePath::release_slot(int slot) {
  const uint8_t key_note = slots_.key_note(slot);
  const uint8_t sent_note = slots_.sent_note(slot);
  const uint16_t key_id = slots_.key_id(slot);
  {
    std::lock_guard lock(slots_lock_);
    port_.send(ShortMessage::note_off(slot, sent_note));
    slots_.free(slot);
  }
  listener_.note_played({false, slot, key_note, sent_note, 0, key_id});
}

void NotePath::note_key_down(const KeyEvent& key) {
  if (key.repeat || key.release) return;
  // Keys that are not piano keys sound, record and draw nothing.
  note_down(key_to_note(key.scan_code), key.key_id());
}

void NotePath::note_down(uint8_t key_note, uint16_t key_id) {
  note_down(key_note, key_id, static_cast<uint8_t>(settings_.velocity()));
}

void NotePath::note_down(uint8_t key_note, uint16_t key_id, uint8_t velocity) {
  if (!on_keyboard(key_note)) return;
  // key notes 43..85 and transpositions -12..12 keep the sent note within 31..97.
  take_slot(key_note, static_cast<uint8_t>(key_note + settings_.transpose()), velocity, key_id);
}

void NotePath::take_slot(uint8_t key_note, uint8_t sent_note, uint8_t velocity, uint16_t key_id) {
  int slot = -1;
  {
    // A replay takes channels from the timer thread: the free slot is found
    // and taken, and its note sent, while no replay can take it.
    std::lock_guard lock(slots_lock_);
    slot = slots_.find_free();
    // All fifteen channels busy: the press is dropped, every sounding note keeps its slot.
    if (slot < 0) return;
    slots_.take(slot, key_note, sent_note, key_id);
    port_.send(ShortMessage::note_on(slot, sent_note, velocity));
  }
  listener_.note_played({true, slot, key_note, sent_note, velocity, key_id});
}

void NotePath::note_in_down(uint16_t key_id, uint8_t note, uint8_t velocity) {
  const int sent_note = (note & 0x7F) + settings_.transpose();
  if (sent_note < 0 || sent_note > 127 || velocity == 0) return;
  if (const int slot = slots_.find_key(key_id); slot >= 0) release_slot(slot);
  take_slot(note & 0x7F, static_cast<uint8_t>(sent_note), velocity & 0x7F, key_id);
}

void NotePath::release_input_port(uint8_t port) {
  for (int slot = 0; slot < kChannelCount; ++slot) {
    const uint16_t key_id = slots_.key_id(slot);
    if (slots_.busy(slot) && is_input_key(key_id) && input_port_of(key_id) == port) {
      release_slot(slot);
    }
  }
}

void NotePath::release_input_channel(uint8_t port, uint8_t channel) {
  for (int slot = 0; slot < kChannelCount; ++slot) {
    if (slots_.busy(slot) && is_input_key_of(slots_.key_id(slot), port, channel)) {
      release_slot(slot);
    }
  }
}

void NotePath::release_window_keys() {
  for (int slot = 0; slot < kChannelCount; ++slot) {
    if (slots_.busy(slot) && !is_input_key(slots_.key_id(slot))) release_slot(slot);
  }
}

void NotePath::note_key_up(const KeyEvent& key) {
  if (key_to_note(key.scan_code) == 0) return;
  note_up(key.key_id());
}

void NotePath::note_up(uint16_t key_id) {
  // The key's own slot: of two keys playing one note, each ends its own.
  const int slot = slots_.find_key(key_id);
  // A release whose press found no slot (or went to another window) has nothing to end.
  if (slot < 0) return;
  release_slot(slot);
}

void NotePath::release_all_keys() {
  for (int slot = 0; slot < kChannelCount; ++slot) {
    if (slots_.busy(slot)) release_slot(slot);
  }
}

void NotePath::send_pedal(bool down) {
  for (int channel = 0; channel < kChannelCount; ++channel) {
    if (channel == kMetronomeChannel) continue;
    port_.send(ShortMessage::sustain_pedal(channel, down));
  }
  listener_.pedal_played(down);
}

void NotePath::pedal_down() {
  if (pedal_.exchange(true)) return;
  send_pedal(true);
}

void NotePath::pedal_up() {
  if (!pedal_.exchange(false)) return;
  send_pedal(false);
}

}  // namespace tastarion
