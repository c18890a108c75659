#pragma once

#include <array>
#include <atomic>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "engine/midi_input_reader.h"
#include "engine/wheel_thinning.h"

namespace tastarion {

// What one MIDI input port hands to the window thread: its driver's thread reads
// the events into a queue of fixed size, the window thread takes them out. The
// driver's side never waits, allocates or locks, so it may run in a real-time
// audio callback.
//
// A full queue drops what comes, yet never a note's end: a note-off that finds
// no room is owed and goes first once there is room again, and a note-on for
// that note is dropped while it is owed, so that every note that reaches the
// window thread is ended there too. Likewise the pedal's newest state is kept
// for later when it finds no room.
//
// A wheel's values are thinned to the last of each batch (see WheelThinning),
// so that a flood costs the window thread and the output one value per wheel
// and cycle; they may fill the queue only up to kKeptForNotes from the top, and
// one that finds no room waits for the next batch, newer values overwriting it.
class MidiInputFeed {
 public:
  static constexpr size_t kCapacity = 256;
  static constexpr size_t kKeptForNotes = 64;

  explicit MidiInputFeed(uint8_t port) : port_(port) {}
  MidiInputFeed(const MidiInputFeed&) = delete;
  MidiInputFeed& operator=(const MidiInputFeed&) = delete;

  // The driver's side: one thread at a time; another thread may take over only
  // after the first has stopped for good.
  //
  // At the start of each batch of events: what is owed goes first.
  void settle_owed();
  // One event as the driver delivers it (see read_midi_input).
  void read(const uint8_t* bytes, size_t length);
  // At the end of each batch: the wheels' last values go.
  void end_batch() { flush_wheels(); }
  // The port went away: every note it started is to end. False while the queue
  // has no room; call again later. Forgets what is owed, as that ends too.
  bool port_lost();
  // True when something was queued since the last call (time to wake the window).
  bool take_queued() { return std::exchange(queued_, false); }

  // The window thread's side.
  bool pop(MidiInput& out);
  // Messages dropped for want of room, over the whole run.
  uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

 private:
  bool push(const MidiInput& input);
  void take(const MidiInput& input);
  void flush_wheels();

  const uint8_t port_;
  // The ring: written at tail_ by the driver's side, read at head_ by the window's.
  std::array<MidiInput, kCapacity> ring_{};
  std::atomic<size_t> head_{0};
  std::atomic<size_t> tail_{0};
  std::atomic<uint64_t> dropped_{0};

  // The driver's side only. Notes whose note-on was queued and whose note-off
  // was not yet; note-offs waiting for room; the pedal's state waiting for room.
  std::array<std::bitset<128>, 16> started_{};
  std::array<std::bitset<128>, 16> owed_off_{};
  int owed_count_ = 0;
  int owed_pedal_ = -1;
  bool pedal_down_ = false;
  bool queued_ = false;
  WheelThinning wheels_;
};

}  // namespace tastarion
