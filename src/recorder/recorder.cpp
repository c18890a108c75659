#include "recorder/recorder.h"

#include <algorithm>
#include <cstdio>

#include "engine/short_message.h"
#include "recorder/midi_file.h"
#include "recorder/replayer.h"

namespace tastarion {

namespace {

constexpr const char* kRecordingStatus = "[Recording...]";
constexpr const char* kRecordingFullStatus = "[Recording full]";

template <typename... Args>
void trace(Piano& piano, const char* format, Args... args) {
  char line[96];
  int n = std::snprintf(line, sizeof line, format, args...);
  if (n < 0) return;
  piano.trace(std::string_view(line, std::min<size_t>(n, sizeof line - 1)));
}

}  // namespace

void put_event(Piano& piano, uint32_t delta, uint8_t status, uint8_t data1, uint8_t data2) {
  PianoState& s = piano.state;
  uint32_t cursor = s.event_cursor.load();
  // The note limit keeps the end record in the block; this only guards the
  // block's edge against any caller that forgets it.
  if (!s.event_buffer.allocated() || cursor + EventBuffer::kRecordSize > EventBuffer::kSize) {
    return;
  }
  trace(piano, "delta=%lX, stat=%X, pitch=%X, vol=%X\n", static_cast<unsigned long>(delta),
        unsigned{status}, unsigned{data1}, unsigned{data2});
  EventRecord record = encode_event_record(delta, status, data1, data2);
  std::copy(record.begin(), record.end(), s.event_buffer.data() + cursor);
  s.event_cursor.store(cursor + EventBuffer::kRecordSize);
}

namespace {

int open_note_count(const PianoState& s) {
  return static_cast<int>(std::count_if(s.recorded_open.begin(), s.recorded_open.end(),
                                        [](int16_t note) { return note >= 0; }));
}

void append_note(Piano& piano, bool press, int slot, uint8_t sent_note, uint8_t velocity) {
  PianoState& s = piano.state;
  uint32_t delta = piano.clock.tick_count_ms() - s.last_event_time;
  trace(piano, press ? "on ch=%d time=%lX\n" : "off ch=%d time=%lX\n", slot,
        static_cast<unsigned long>(delta));
  put_event(piano, delta, static_cast<uint8_t>(0x90 + slot), sent_note, velocity);
  ++s.recorded_notes;
  s.recorded_open[slot] = press && velocity != 0 ? sent_note : -1;
  // Read again after the record, so that tracing and writing count in no delta.
  s.last_event_time = piano.clock.tick_count_ms();
}

// Note-offs for the notes the recording left sounding, so that the file plays
// cleanly in any player; the recording keeps room for them.
void end_open_notes(Piano& piano) {
  PianoState& s = piano.state;
  for (int slot = 0; slot < kChannelCount; ++slot) {
    if (s.recorded_open[slot] >= 0) {
      append_note(piano, false, slot, static_cast<uint8_t>(s.recorded_open[slot]), 0);
    }
  }
}

// The recording is full: it ends its notes and records nothing more.
void close_full_recording(Piano& piano) {
  end_open_notes(piano);
  piano.state.recording_full = true;
  set_title_status(piano, kRecordingFullStatus);
}

}  // namespace

void toggle_recording(Piano& piano) {
  piano.state.recording = ~piano.state.recording;
  if (piano.state.recording != 0) {
    start_recording(piano);
  } else {
    // Keys still held at the stop end in the file where the recording ends.
    if (!piano.state.recording_full) end_open_notes(piano);
    stop_recording(piano);
  }
}

void start_recording(Piano& piano) {
  PianoState& s = piano.state;
  // The replay shares the cursor: it must be wholly stopped before the cursor
  // moves. Stopped before the title is set, so that a replay's own title change
  // cannot come after "[Recording...]".
  stop_replay(piano);
  set_title_status(piano, kRecordingStatus);
  s.event_cursor.store(EventBuffer::kFirstRecord);
  s.recorded_notes = 0;
  s.recording_full = false;
  s.recorded_open.fill(-1);
  s.last_event_time = piano.clock.tick_count_ms();
}

void record_note_event(Piano& piano, bool press, int slot, uint8_t sent_note, uint8_t velocity,
                       uint8_t scan_code) {
  PianoState& s = piano.state;
  if (s.recording == 0 || scan_code == kRecordKeyScanCode || s.recording_full) return;
  // Room stays for a note-off after every note left sounding: at most fifteen.
  const bool opens = press && velocity != 0;
  const int open_after =
      open_note_count(s) - (s.recorded_open[slot] >= 0 ? 1 : 0) + (opens ? 1 : 0);
  if (s.recorded_notes + 1 + open_after > EventBuffer::kMaxNoteRecords) {
    close_full_recording(piano);
    return;
  }
  append_note(piano, press, slot, sent_note, velocity);
  if (s.recorded_notes == EventBuffer::kMaxNoteRecords) {
    s.recording_full = true;
    set_title_status(piano, kRecordingFullStatus);
  }
}

}  // namespace tastarion
