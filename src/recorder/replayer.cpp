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

// Under lock_: note-offs for what the replay left sounding, marks erased, the
// channels given back.
void Replayer::silence_locked() {
  sounding_.end_notes([this](int recorded, int note) {
    const auto n = static_cast<uint8_t>(note);
    port_.send(ShortMessage::note_off(channel_of_[recorded], n));
    if (on_keyboard(note)) listener_.replayed_note(false, n);
  });
  for (int recorded = 0; recorded < kChannelCount; ++recorded) {
    const int channel = channel_of_[recorded];
    if (channel >= 0 && channel != kMetronomeChannel) held_.give_back_replay_channel(channel);
    channel_of_[recorded] = -1;
  }
  // A pedal the replay left down would keep the silenced notes ringing; the
  // player's own pedal, held now, stays.
  const bool player_pedal = held_.pedal_held();
  sounding_.lift_pedals([&](int channel) {
    if (!player_pedal) port_.send(ShortMessage::sustain_pedal(channel, false));
  });
  moved_.bring_to_rest(listener_.resting_bend(),
                       [this](ShortMessage message) { port_.send(message); });
}

int Replayer::channel_for_locked(int recorded) {
  if (channel_of_[recorded] < 0) {
    // The metronome's channel is the drums' in any file, and no key's.
    channel_of_[recorded] = static_cast<int8_t>(
        recorded == kMetronomeChannel ? recorded : held_.take_replay_channel(recorded));
  }
  return channel_of_[recorded];
}

namespace {
// A record's message: bytes 4 to 6, as recorded.
ShortMessage message_of(const uint8_t* record) {
  return ShortMessage::from_bytes(record[4], record[5], record[6]);
}
bool is_pedal_record(const uint8_t* record) {
  return message_of(record).is_control(kSustainPedal);
}
// A record that goes out in the step of the record before it.
bool joins_step(const uint8_t* previous, const uint8_t* next) {
  if (next == nullptr || decode_delta(next) != 0) return false;
  if (message_of(next).is_expression()) return true;
  // A pedal change's records, all in one direction.
  return is_pedal_record(previous) && is_pedal_record(next) &&
         (previous[6] >= 64) == (next[6] >= 64);
}
}  // namespace

// Under lock_: sends the record's message, on the channel its notes sound on
// now, and shows its mark. A note-on finding no free channel is dropped, as a
// key's is, and so is a note-off for a note the replay does not sound.
void Replayer::play_locked(const uint8_t* record) {
  const ShortMessage message = message_of(record);
  const int recorded = message.channel();
  if (message.is_note()) {
    const uint8_t note = message.note();
    const bool was_on = sounding_.sounds(recorded, note);
    if (message.starts_note()) {
      const int channel = channel_for_locked(recorded);
      if (channel < 0) return;
      port_.send(ShortMessage::note_on(channel, note, message.velocity()));
      if (!was_on && on_keyboard(note)) listener_.replayed_note(true, note);
    } else if (was_on) {
      const int channel = channel_of_[recorded];
      port_.send(ShortMessage::note_off(channel, note));
      if (on_keyboard(note)) listener_.replayed_note(false, note);
    }
    sounding_.follow(message);
    if (was_on && !sounding_.any_on(recorded) && channel_of_[recorded] != kMetronomeChannel) {
      held_.give_back_replay_channel(channel_of_[recorded]);
      channel_of_[recorded] = -1;
    }
    return;
  }
  sounding_.follow(message);
  const int channel = channel_of_[recorded] >= 0 ? channel_of_[recorded] : recorded;
  port_.send(message.on_channel(channel));
  moved_.follow(message.on_channel(channel));
}

// The record at `position`, or nothing when a whole record would not fit in the
// buffer; a recording without its end record must not lead the replay astray.
const uint8_t* Replayer::record_at(uint32_t position) const {
  if (track_ != nullptr) {
    if (position < EventBuffer::kFirstRecord ||
        position + EventBuffer::kRecordSize > track_->size()) {
      return nullptr;
    }
    return track_->data() + position;
  }
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

void Replayer::set_track(const ReplayTrack* track) {
  std::lock_guard lock(lock_);
  track_ = track;
}

void Replayer::start_replay() {
  // The step that ended the last replay may still be on its way out.
  timer_.stop();
  std::lock_guard lock(lock_);
  replaying_ = true;
  ++generation_;
  position_ = EventBuffer::kFirstRecord;
  sounding_.clear();
  moved_.clear();
  channel_of_.fill(-1);
  // A take's first gap is the wait after F2; a file's is part of the music.
  const uint32_t first = track_ != nullptr ? read_delta(position_) : 0;
  schedule_step_locked(timer_.service().now() + std::max(Micros{first} * 1000, kMinimumStepUs));
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
  // A pedal change is one record per channel, all at one moment, and a wheel's
  // move one per sounding note: they go out in this one step, or every change
  // would add steps to the rest of the take.
  for (const uint8_t* next = record_at(position_); joins_step(record, next);
       next = record_at(position_)) {
    play_locked(next);
    record = next;
    position_ += EventBuffer::kRecordSize;
  }
  // A file's events of one moment go out together (ReplayTrack).
  while (track_ != nullptr) {
    const uint8_t* next = record_at(position_);
    if (next == nullptr || is_end_record(next) || decode_delta(next) != 0) break;
    play_locked(next);
    position_ += EventBuffer::kRecordSize;
  }
  const Micros delay = Micros{std::max(read_delta(position_), kMinimumStepMs)} * 1000;
  // From the previous step's due time, not from now: lateness does not add up.
  schedule_step_locked(due_ + delay);
}

}  // namespace tastarion
