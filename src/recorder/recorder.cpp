#include "recorder/recorder.h"

#include <algorithm>
#include <cstdio>

#include "engine/short_message.h"

namespace tastarion {

template <typename... Args>
void Recorder::trace(const char* format, Args... args) {
  char line[96];
  int n = std::snprintf(line, sizeof line, format, args...);
  if (n < 0) return;
  trace_(std::string_view(line, std::min<size_t>(n, sizeof line - 1)));
}

void Recorder::put_event(uint32_t delta, uint8_t status, uint8_t data1, uint8_t data2) {
  // The note limit keeps the end record in the block; this only guards the
  // block's edge against any caller that forgets it.
  if (!buffer_.allocated() || cursor_ + EventBuffer::kRecordSize > EventBuffer::kSize) return;
  trace("delta=%lX, stat=%X, pitch=%X, vol=%X\n", static_cast<unsigned long>(delta),
        unsigned{status}, unsigned{data1}, unsigned{data2});
  EventRecord record = encode_event_record(delta, status, data1, data2);
  std::copy(record.begin(), record.end(), buffer_.data() + cursor_);
  cursor_ += EventBuffer::kRecordSize;
}

void Recorder::put_message(uint32_t delta, ShortMessage message) {
  put_event(delta, message.status(), message.data1(), message.data2());
}

void Recorder::start_recording() {
  recording_ = true;
  full_ = false;
  open_notes_.fill(-1);
  pressed_.reset();
  pedal_open_ = false;
  shared_.fill(-1);
  for (auto& values : channel_shared_) values.fill(-1);
  cursor_ = EventBuffer::kFirstRecord;
  last_event_time_ = clock_.tick_count_ms();
}

int Recorder::open_note_count() const {
  return static_cast<int>(std::count_if(open_notes_.begin(), open_notes_.end(),
                                        [](int16_t note) { return note >= 0; })) +
         (pedal_open_ ? kPedalChannels : 0);
}

bool Recorder::room_for(int more, int open_after) const {
  return recorded_notes() + static_cast<uint32_t>(more + open_after) <=
         EventBuffer::kMaxNoteRecords;
}

void Recorder::append_pedal(bool down) {
  uint32_t delta = clock_.tick_count_ms() - last_event_time_;
  trace(down ? "pedal on time=%lX\n" : "pedal off time=%lX\n", static_cast<unsigned long>(delta));
  for (int channel = 0; channel < static_cast<int>(open_notes_.size()); ++channel) {
    if (channel == kMetronomeChannel) continue;
    put_message(delta, ShortMessage::sustain_pedal(channel, down));
    // One moment for all the channels.
    delta = 0;
  }
  pedal_open_ = down;
  last_event_time_ = clock_.tick_count_ms();
}

void Recorder::record_pedal(bool down) {
  if (!recording_ || full_ || down == pedal_open_) return;
  const int open_after = open_note_count() + (down ? kPedalChannels : -kPedalChannels);
  if (!room_for(kPedalChannels, open_after)) {
    end_open_notes();
    full_ = true;
    return;
  }
  append_pedal(down);
  if (recorded_notes() == EventBuffer::kMaxNoteRecords) full_ = true;
}

void Recorder::append_note(bool press, int slot, uint8_t sent_note, uint8_t velocity) {
  uint32_t delta = clock_.tick_count_ms() - last_event_time_;
  trace(press ? "on ch=%d time=%lX\n" : "off ch=%d time=%lX\n", slot,
        static_cast<unsigned long>(delta));
  put_message(delta, ShortMessage::note_on(slot, sent_note, velocity));
  open_notes_[slot] = press && velocity != 0 ? sent_note : -1;
  pressed_[slot] = press;
  // Read again after the record, so that tracing and writing count in no delta.
  last_event_time_ = clock_.tick_count_ms();
}

void Recorder::end_open_notes() {
  for (int slot = 0; slot < static_cast<int>(open_notes_.size()); ++slot) {
    if (open_notes_[slot] >= 0)
      append_note(false, slot, static_cast<uint8_t>(open_notes_[slot]), 0);
  }
  if (pedal_open_) append_pedal(false);
}

void Recorder::record_note_event(bool press, int slot, uint8_t sent_note, uint8_t velocity) {
  if (!recording_ || full_) return;
  if (!press && !pressed_[slot]) return;
  const bool opens = press && velocity != 0;
  const int open_after = open_note_count() - (open_notes_[slot] >= 0 ? 1 : 0) + (opens ? 1 : 0);
  const int catch_ups = opens ? catch_up_count(slot) : 0;
  if (!room_for(1 + catch_ups, open_after)) {
    end_open_notes();
    full_ = true;
    return;
  }
  append_note(press, slot, sent_note, velocity);
  // Right after the note-on, at the same moment: a replay maps the channel at the note-on.
  if (catch_ups > 0) catch_up(slot);
  if (recorded_notes() == EventBuffer::kMaxNoteRecords) full_ = true;
}

int Recorder::shared_slot(ShortMessage message) {
  return message.kind() == ShortMessage::Kind::pitch_bend ? kSharedSlots - 1 : message.controller();
}

int Recorder::shared_value(ShortMessage message) {
  return message.kind() == ShortMessage::Kind::pitch_bend ? message.bend() : message.value();
}

ShortMessage Recorder::shared_message(int channel, int slot, int value) const {
  return slot == kSharedSlots - 1 ? ShortMessage::pitch_bend(channel, value)
                                  : ShortMessage::control_change(channel, slot, value);
}

void Recorder::append_message(ShortMessage message) {
  put_message(clock_.tick_count_ms() - last_event_time_, message);
  last_event_time_ = clock_.tick_count_ms();
}

int Recorder::catch_up_count(int channel) const {
  int count = 0;
  for (int slot = 0; slot < kSharedSlots; ++slot) {
    if (shared_[slot] >= 0 && shared_[slot] != channel_shared_[channel][slot]) ++count;
  }
  return count;
}

void Recorder::catch_up(int channel) {
  for (int slot = 0; slot < kSharedSlots; ++slot) {
    if (shared_[slot] < 0 || shared_[slot] == channel_shared_[channel][slot]) continue;
    append_message(shared_message(channel, slot, shared_[slot]));
    channel_shared_[channel][slot] = shared_[slot];
  }
}

void Recorder::record_shared(ShortMessage message) {
  if (!recording_ || full_) return;
  const int slot = shared_slot(message);
  const auto value = static_cast<int16_t>(shared_value(message));
  if (shared_[slot] == value) return;
  shared_[slot] = value;
  int channels = 0;
  for (const int16_t note : open_notes_) channels += note >= 0 ? 1 : 0;
  if (!room_for(channels, open_note_count())) {
    end_open_notes();
    full_ = true;
    return;
  }
  for (int channel = 0; channel < static_cast<int>(open_notes_.size()); ++channel) {
    if (open_notes_[channel] < 0) continue;
    append_message(shared_message(channel, slot, value));
    channel_shared_[channel][slot] = value;
  }
  if (recorded_notes() == EventBuffer::kMaxNoteRecords) full_ = true;
}

void Recorder::record_pressure(ShortMessage message) {
  if (!recording_ || full_ || open_notes_[message.channel()] < 0) return;
  if (!room_for(1, open_note_count())) {
    end_open_notes();
    full_ = true;
    return;
  }
  append_message(message);
  if (recorded_notes() == EventBuffer::kMaxNoteRecords) full_ = true;
}

std::span<const uint8_t> Recorder::stop_recording() {
  recording_ = false;
  if (!buffer_.allocated()) return {};
  // Keys still held at the stop end in the file where the recording ends.
  if (!full_) end_open_notes();
  put_event(0, 0xFF, 0x2F, 0);
  const uint32_t track_length = cursor_ - EventBuffer::kFirstRecord;
  uint8_t* header = buffer_.data() + EventBuffer::kTrackLengthOffset;
  header[0] = static_cast<uint8_t>(track_length >> 24);
  header[1] = static_cast<uint8_t>(track_length >> 16);
  header[2] = static_cast<uint8_t>(track_length >> 8);
  header[3] = static_cast<uint8_t>(track_length);
  return {buffer_.data(), cursor_};
}

}  // namespace tastarion
