#include "recorder/replayer.h"

#include <algorithm>

namespace tastarion {

namespace {

constexpr uint8_t kLowestKey = 43;
constexpr uint8_t kHighestKey = 85;
constexpr Micros kMinimumStepUs = Micros{kMinimumStepMs} * 1000;

bool on_keyboard(uint8_t note) {
  return note >= kLowestKey && note <= kHighestKey;
}

// Under replay_lock.
void schedule_step_locked(Piano& piano, Micros due) {
  PianoState& state = piano.state;
  state.replay_due = due;
  const uint32_t generation = state.replay_generation;
  state.replay_timer =
      piano.timers.set_oneshot_at(due, [&piano, generation] { replay_tick(piano, generation); });
}

// Under replay_lock: note-offs for what the replay left sounding, marks erased.
// A note that a held key sounds on the same channel is the player's, not the
// replay's, and so is the mark of a held key: both stay until the key comes up.
void silence_locked(Piano& piano) {
  auto& sounding = piano.state.replay_sounding;
  const VoiceSlots& held = piano.state.voice_slots;
  for (int channel = 0; channel < kChannelCount; ++channel) {
    if (sounding[channel].none()) continue;
    for (int note = 0; note < 128; ++note) {
      if (!sounding[channel].test(note)) continue;
      if (!held.sounds(channel, static_cast<uint8_t>(note))) {
        piano.midi_out.send(pack_message(0x90 | channel, note, 0));
      }
      if (on_keyboard(note) && held.find_key_note(static_cast<uint8_t>(note)) < 0) {
        piano.view.draw_mark(false, note);
      }
    }
    sounding[channel].reset();
  }
}

void track_locked(Piano& piano, uint8_t status, uint8_t note, uint8_t velocity) {
  auto& channel = piano.state.replay_sounding[status & 0x0F];
  const uint8_t kind = status & 0xF0;
  if (kind == 0x90 && velocity != 0) {
    channel.set(note & 0x7F);
  } else if (kind == 0x90 || kind == 0x80) {
    channel.reset(note & 0x7F);
  }
}

// The record at `position`, or nothing when a whole record would not fit in the
// buffer; a recording without its end record must not lead the replay astray.
const uint8_t* record_at(const Piano& piano, uint32_t position) {
  const EventBuffer& buffer = piano.state.event_buffer;
  if (!buffer.allocated() || position < EventBuffer::kFirstRecord ||
      position + EventBuffer::kRecordSize > EventBuffer::kSize) {
    return nullptr;
  }
  return buffer.data() + position;
}

}  // namespace

uint32_t read_delta(const Piano& piano, uint32_t position) {
  const uint8_t* record = record_at(piano, position);
  return record != nullptr ? decode_delta(record) : 0;
}

void toggle_replay(Piano& piano) {
  PianoState& state = piano.state;
  if (state.recording != 0) return;
  if (stop_replay(piano)) {
    set_title_status(piano, "");
    return;
  }
  // The title goes first so that the end of an empty recording, one step later,
  // is the last to set it.
  set_title_status(piano, "[Replaying...]");
  std::lock_guard lock(state.replay_lock);
  state.replaying = 0xFF;
  ++state.replay_generation;
  state.event_cursor = EventBuffer::kFirstRecord;
  for (auto& channel : state.replay_sounding) channel.reset();
  schedule_step_locked(piano, piano.timers.now() + kMinimumStepUs);
}

bool stop_replay(Piano& piano) {
  PianoState& state = piano.state;
  TimerId pending;
  {
    std::lock_guard lock(state.replay_lock);
    if (state.replaying == 0) return false;
    state.replaying = 0;
    ++state.replay_generation;
    pending = state.replay_timer;
    state.replay_timer = 0;
  }
  // Outside the lock: a step that is running waits for the lock, and kill waits
  // for the step. Once the step gets the lock it finds its generation stale.
  piano.timers.kill(pending);
  std::lock_guard lock(state.replay_lock);
  silence_locked(piano);
  return true;
}

void replay_tick(Piano& piano, uint32_t generation) {
  PianoState& state = piano.state;
  std::lock_guard lock(state.replay_lock);
  if (state.replaying == 0 || generation != state.replay_generation) return;

  const uint32_t position = state.event_cursor;
  const uint8_t* record = record_at(piano, position);
  if (record == nullptr || is_end_record(record)) {
    state.replaying = 0;
    state.replay_timer = 0;
    silence_locked(piano);
    set_title_status(piano, "");
    return;
  }

  const uint8_t status = record[4];
  const uint8_t note = record[5];
  const uint8_t velocity = record[6];
  piano.midi_out.send(pack_message(status, note, velocity));
  track_locked(piano, status, note, velocity);
  if (on_keyboard(note)) piano.view.draw_mark(velocity != 0, note);

  const uint32_t next = position + EventBuffer::kRecordSize;
  state.event_cursor = next;
  const Micros delay = Micros{std::max(read_delta(piano, next), kMinimumStepMs)} * 1000;
  // From the previous step's due time, not from now: lateness does not add up.
  schedule_step_locked(piano, state.replay_due + delay);
}

}  // namespace tastarion
