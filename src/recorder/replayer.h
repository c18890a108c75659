#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "engine/midi_port.h"
#include "engine/note_path.h"
#include "engine/resting_expression.h"
#include "engine/sounding_notes.h"
#include "recorder/event_buffer.h"
#include "recorder/replay_track.h"
#include "timing/timer.h"

namespace tastarion {

inline constexpr uint32_t kMinimumStepMs = 10;

// Told, on the timer thread, what a replay does besides sending.
class ReplayListener {
 public:
  virtual ~ReplayListener() = default;
  // A replayed note of the drawn keyboard went on or off.
  virtual void replayed_note(bool on, uint8_t note) = 0;
  // The replay reached its end by itself.
  virtual void replay_finished() = 0;
  // Where the wheel rests now on the note channels (any thread): where a
  // replay that bent a channel leaves it at its end.
  virtual int resting_bend() const { return ShortMessage::kBendCentre; }
};

// Sends the records of the event buffer again, one timer step each (a pedal
// change's records, one per channel, together, and a wheel's or controller's
// records at the moment of the record before them with it), with the recorded
// gaps (at least kMinimumStepMs). At its end the wheels, pressures and
// controllers it moved come back to rest. The steps run on the timer thread;
// everything they share with the window thread is behind one lock.
class Replayer {
 public:
  // The replay's notes sound on channels `held` lends, never on a held key's.
  Replayer(TimerService& timers, MidiPort& port, const EventBuffer& buffer, HeldKeys& held,
           ReplayListener& listener)
      : timer_(timers), port_(port), buffer_(buffer), held_(held), listener_(listener) {}
  ~Replayer() { stop_replay(); }

  bool replaying() const;
  // Where the next step reads.
  uint32_t position() const;

  // What the next start plays: an opened file, or the event buffer's take for
  // null. Window thread, while no replay runs; the track must outlive its replay.
  void set_track(const ReplayTrack* track);
  const ReplayTrack* track() const { return track_; }

  // Starts from the first record; the first step comes after kMinimumStepMs
  // (for a file, after its first record's own delta if that is longer).
  void start_replay();
  // Stops a running replay: after it returns no step runs or is pending, and the
  // notes the replay left on are silenced. Returns whether one was running.
  bool stop_replay();
  // One step of the replay (timer thread).
  void replay_tick(uint32_t generation);

 private:
  // The delta of the record at `position`, modulo 2^28.
  uint32_t read_delta(uint32_t position) const;
  const uint8_t* record_at(uint32_t position) const;
  void play_locked(const uint8_t* record);
  void schedule_step_locked(Micros due);
  void silence_locked();
  // The channel the recorded channel's notes sound on now, or -1 for none.
  int channel_for_locked(int recorded);

  Timer timer_;
  MidiPort& port_;
  const EventBuffer& buffer_;
  const ReplayTrack* track_ = nullptr;
  HeldKeys& held_;
  ReplayListener& listener_;
  mutable std::mutex lock_;
  bool replaying_ = false;
  uint32_t position_ = EventBuffer::kFirstRecord;
  uint32_t generation_ = 0;
  Micros due_ = 0;
  // Notes the replay switched on and has not switched off yet, and its pedal,
  // by the channel they were recorded on.
  SoundingNotes sounding_;
  // The channels whose wheel, pressure or controllers it moved (as sent).
  MovedExpression moved_;
  // The channel each recorded channel's notes sound on while any sounds; -1
  // when none does.
  std::array<int8_t, 16> channel_of_{};
};

}  // namespace tastarion
