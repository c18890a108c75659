#include "recorder/replayer.h"

#include <algorithm>

#include "engine/key_map.h"

namespace tastarion {

namespace {
constexpr Micros kMinimumStepUs = Micros{kMinimumStepMs} * 1000;
}  // namespace

bool Replayer::replaying() const {
  std::lock_guard lock(lock_);
  return replaying_;
}

uint32_t Replayer::position() const {
  std::lock_guard lock(lock_);
  return position_;
}

// Under lock_.
void Replayer::schedule_step_locked(Micros due) {
  due_ = due;
  const uint32_t generation = generation_;
  timer_.start_at(due, [this, generation] { replay_tick(generation); });
}

// Under lock_: note-offs for what the replay left sounding, marks erased. A
// note that a held key sounds on the same channel is the player's, not the
// replay's, and so is the mark of a held key: both stay until the key comes up.
void Replayer::silence_locked() {
  held_.while_held([this](const VoiceSlots& held) {
    for (int channel = 0; channel < kChannelCount; ++channel) {
      if (sounding_[channel].none()) continue;
      for (int note = 0; note < 128; ++note) {
        if (!sounding_[channel].test(note)) continue;
        const auto n = static_cast<uint8_t>(note);
        if (!held.sounds(channel, n)) port_.send(pack_message(0x90 | channel, n, 0));
        if (on_keyboard(note) && held.find_key_note(n) < 0) listener_.replayed_note(false, n);
      }
      sounding_[channel].reset();
    }
    // A pedal the replay left down would keep the silenced notes ringing; the
    // player's own pedal, held now, stays.
    for (int channel = 0; channel < kChannelCount; ++channel) {
      if (!pedal_down_[channel]) continue;
      if (!held_.pedal_held()) {
        port_.send(pack_message(static_cast<uint8_t>(0xB0 | channel), kSustainPedal, 0));
      }
    }
    pedal_down_.reset();
  });
}

void Replayer::track_locked(uint8_t status, uint8_t note, uint8_t velocity) {
  auto& channel = sounding_[status & 0x0F];
  const uint8_t kind = status & 0xF0;
  if (kind == 0xB0 && note == kSustainPedal) {
    pedal_down_[status & 0x0F] = velocity >= 64;
  } else if (kind == 0x90 && velocity != 0) {
    channel.set(note & 0x7F);
  } else if (kind == 0x90 || kind == 0x80) {
    channel.reset(note & 0x7F);
  }
}

namespace {
bool is_pedal_record(const uint8_t* record) {
  return (record[4] & 0xF0) == 0xB0 && record[5] == kSustainPedal;
}
}  // namespace

// Under lock_: sends the record's message and shows its mark.
void Replayer::play_locked(const uint8_t* record) {
  const uint8_t status = record[4];
  const uint8_t note = record[5];
  const uint8_t velocity = record[6];
  port_.send(pack_message(status, note, velocity));
  track_locked(status, note, velocity);
  // Only note messages have marks: a controller's first byte is no note.
  const uint8_t kind = status & 0xF0;
  if ((kind == 0x90 || kind == 0x80) && on_keyboard(note)) {
    listener_.replayed_note(velocity != 0, note);
  }
}

// The record at `position`, or nothing when a whole record would not fit in the
// buffer; a recording without its end record must not lead the replay astray.
const uint8_t* Replayer::record_at(uint32_t position) const {
  if (!buffer_.allocated() || position < EventBuffer::kFirstRecord ||
      position + EventBuffer::kRecordSize > EventBuffer::kSize) {
    return nullptr;
  }
  return buffer_.data() + position;
}

uint32_t Replayer::read_delta(uint32_t position) const {
  const uint8_t* record = record_at(position);
  return record != nullptr ? decode_delta(record) : 0;
}

void Replayer::start_replay() {
  // The step that ended the last replay may still be on its way out.
  timer_.stop();
  std::lock_guard lock(lock_);
  replaying_ = true;
  ++generation_;
  position_ = EventBuffer::kFirstRecord;
  for (auto& channel : sounding_) channel.reset();
  pedal_down_.reset();
  schedule_step_locked(timer_.service().now() + kMinimumStepUs);
}

bool Replayer::stop_replay() {
  {
    std::lock_guard lock(lock_);
    if (!replaying_) return false;
    replaying_ = false;
    ++generation_;
  }
  // Outside the lock: a step that is running waits for the lock, and the stop
  // waits for the step. Once the step gets the lock it finds its generation stale.
  timer_.stop();
  std::lock_guard lock(lock_);
  silence_locked();
  return true;
}

void Replayer::replay_tick(uint32_t generation) {
  std::lock_guard lock(lock_);
  if (!replaying_ || generation != generation_) return;

  const uint8_t* record = record_at(position_);
  if (record == nullptr || is_end_record(record)) {
    replaying_ = false;
    silence_locked();
    listener_.replay_finished();
    return;
  }

  play_locked(record);
  position_ += EventBuffer::kRecordSize;
  // A pedal change is one record per channel, all at one moment: they go out
  // in this one step, or every change would add steps to the rest of the take.
  if (is_pedal_record(record)) {
    const bool down = record[6] >= 64;
    for (const uint8_t* next = record_at(position_);
         next != nullptr && is_pedal_record(next) && (next[6] >= 64) == down &&
         decode_delta(next) == 0;
         next = record_at(position_)) {
      play_locked(next);
      position_ += EventBuffer::kRecordSize;
    }
  }
  const Micros delay = Micros{std::max(read_delta(position_), kMinimumStepMs)} * 1000;
  // From the previous step's due time, not from now: lateness does not add up.
  schedule_step_locked(due_ + delay);
}

}  // namespace tastarion
