#include "engine/keyboard_state.h"

namespace tastarion {

namespace {
bool any(const std::array<uint8_t, kNoteSourceCount>& counts) {
  for (uint8_t count : counts) {
    if (count != 0) return true;
  }
  return false;
}
}  // namespace

// The listener is told under the lock: two threads changing one note must not
// have their news arrive in the other order.
void KeyboardState::press(NoteSource source, uint8_t note) {
  std::lock_guard lock(lock_);
  auto& counts = counts_[note & 0x7F];
  const bool was_held = any(counts);
  uint8_t& count = counts[static_cast<int>(source)];
  if (count < UINT8_MAX) ++count;
  if (!was_held) listener_.held_changed(note & 0x7F, true);
}

void KeyboardState::release(NoteSource source, uint8_t note) {
  std::lock_guard lock(lock_);
  auto& counts = counts_[note & 0x7F];
  uint8_t& count = counts[static_cast<int>(source)];
  if (count == 0) return;
  --count;
  if (!any(counts)) listener_.held_changed(note & 0x7F, false);
}

void KeyboardState::release_all(NoteSource source) {
  std::lock_guard lock(lock_);
  for (int note = 0; note < 128; ++note) {
    uint8_t& count = counts_[note][static_cast<int>(source)];
    if (count == 0) continue;
    count = 0;
    if (!any(counts_[note])) listener_.held_changed(static_cast<uint8_t>(note), false);
  }
}

void KeyboardState::clear() {
  std::lock_guard lock(lock_);
  for (int note = 0; note < 128; ++note) {
    if (!any(counts_[note])) continue;
    counts_[note] = {};
    listener_.held_changed(static_cast<uint8_t>(note), false);
  }
}

bool KeyboardState::held(uint8_t note) const {
  std::lock_guard lock(lock_);
  return any(counts_[note & 0x7F]);
}

bool KeyboardState::held_by(NoteSource source, uint8_t note) const {
  std::lock_guard lock(lock_);
  return counts_[note & 0x7F][static_cast<int>(source)] != 0;
}

}  // namespace tastarion
