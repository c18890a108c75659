#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <span>

#include "engine/short_message.h"
#include "engine/trace.h"
#include "recorder/event_buffer.h"
#include "timing/clock.h"

namespace tastarion {

// The pedal goes down and up on every channel but the metronome's.
inline constexpr int kPedalChannels = 15;

// Captures the played notes into the event buffer with millisecond deltas, as
// a Standard MIDI File image. Window thread; the buffer is read by the replayer
// only while no recording runs.
class Recorder {
 public:
  // The take goes into `buffer`, which its owner keeps for the recorder's life.
  Recorder(Clock& clock, EventBuffer& buffer, TraceSink trace)
      : clock_(clock), trace_(std::move(trace)), buffer_(buffer) {
    open_notes_.fill(-1);
  }

  // Obtains the buffer; false when the memory cannot be had.
  bool allocate() { return buffer_.allocate(); }
  void release() { buffer_.release(); }
  const EventBuffer& buffer() const { return buffer_; }

  bool recording() const { return recording_; }
  // Where the next record goes; after a stop, the end of the closed track.
  uint32_t event_cursor() const { return cursor_; }
  uint32_t recorded_notes() const {
    return (cursor_ - EventBuffer::kFirstRecord) / EventBuffer::kRecordSize;
  }
  // The recording reached its capacity and ended its notes; it records nothing more.
  bool full() const { return full_; }

  // Empties the track and starts the clock of the deltas.
  void start_recording();
  // The note path's hook, once per note message sent while recording: `slot`
  // is the channel, `sent_note` the note the message carried and `velocity` its
  // second byte. A release whose press came before the recording is left out.
  // Room stays for a note-off after every note left sounding: a
  // message that would take it makes the recording full instead, and the
  // sounding notes end there.
  void record_note_event(bool press, int slot, uint8_t sent_note, uint8_t velocity);
  // Ends the notes still sounding (keys held at the stop), appends the end
  // record, writes the track length and returns the whole file image.
  std::span<const uint8_t> stop_recording();
  // The pedal's hook: one sustain pedal record (127 or 0) per
  // note channel, counted like note messages. While the pedal is down, room
  // stays for its release as for a note-off.
  void record_pedal(bool down);
  // A wheel's bend or a controller that applies to every note channel (its
  // channel is left aside): recorded on the channels whose recorded notes sound,
  // and on a channel again right after a note starts there while that channel
  // last recorded another value, so that every note of the take gets it.
  void record_shared(ShortMessage message);
  // A pressure on the channel it went out on; left out on a channel whose note
  // began before the recording.
  void record_pressure(ShortMessage message);
  // Appends one record at the cursor and prints its trace line.
  void put_event(uint32_t delta, uint8_t status, uint8_t data1, uint8_t data2);
  void put_message(uint32_t delta, ShortMessage message);

 private:
  template <typename... Args>
  void trace(const char* format, Args... args);
  void append_note(bool press, int slot, uint8_t sent_note, uint8_t velocity);
  void append_pedal(bool down);
  // Note-offs for the notes the recording left sounding, and the pedal lifted,
  // so that the file plays cleanly in any player.
  void end_open_notes();
  // Records it takes to end what the recording left sounding.
  int open_note_count() const;
  // Whether `more` records, and then the ending of `open_after` open ones, still fit.
  bool room_for(int more, int open_after) const;
  // The shared values that `channel` last recorded otherwise, and their records.
  int catch_up_count(int channel) const;
  void catch_up(int channel);
  // The shared value a message sets (its slot: 0..127 a controller, 128 the wheel).
  static int shared_slot(ShortMessage message);
  static int shared_value(ShortMessage message);
  ShortMessage shared_message(int channel, int slot, int value) const;
  void append_message(ShortMessage message);

  Clock& clock_;
  TraceSink trace_;
  EventBuffer& buffer_;
  bool recording_ = false;
  bool full_ = false;
  // Per channel, the note whose recorded note-on still waits for its note-off, or -1.
  std::array<int16_t, 16> open_notes_{};
  // Per channel, whether the recording holds the press that a release ends:
  // keys held when it started end without a record.
  std::bitset<16> pressed_{};
  bool pedal_open_ = false;
  // The shared values in force, and those each channel last recorded; -1 where
  // none came since the recording started.
  static constexpr int kSharedSlots = 129;
  std::array<int16_t, kSharedSlots> shared_{};
  std::array<std::array<int16_t, kSharedSlots>, 16> channel_shared_{};
  uint32_t cursor_ = EventBuffer::kFirstRecord;
  uint32_t last_event_time_ = 0;
};

}  // namespace tastarion
