#include "engine/midi_input_feed.h"

namespace tastarion {

bool MidiInputFeed::push(const MidiInput& input) {
  const size_t tail = tail_.load(std::memory_order_relaxed);
  if (tail - head_.load(std::memory_order_acquire) == kCapacity) {
    dropped_.fetch_add(1, std::memory_order_relaxed);
    return false;
  }
  ring_[tail % kCapacity] = input;
  tail_.store(tail + 1, std::memory_order_release);
  queued_ = true;
  return true;
}

bool MidiInputFeed::pop(MidiInput& out) {
  const size_t head = head_.load(std::memory_order_relaxed);
  if (head == tail_.load(std::memory_order_acquire)) return false;
  out = ring_[head % kCapacity];
  head_.store(head + 1, std::memory_order_release);
  return true;
}

void MidiInputFeed::settle_owed() {
  if (owed_pedal_ >= 0 &&
      push({MidiInput::Kind::pedal, port_, 0, 64, static_cast<uint8_t>(owed_pedal_)})) {
    owed_pedal_ = -1;
  }
  for (uint8_t channel = 0; channel < 16 && owed_count_ > 0; ++channel) {
    if (owed_off_[channel].none()) continue;
    for (uint8_t note = 0; note < 128; ++note) {
      if (!owed_off_[channel].test(note)) continue;
      if (!push({MidiInput::Kind::note_off, port_, channel, note, 0})) return;
      owed_off_[channel].reset(note);
      --owed_count_;
    }
  }
  flush_wheels();
}

void MidiInputFeed::flush_wheels() {
  if (wheels_.empty()) return;
  wheels_.flush([this](const MidiInput& input) {
    if (tail_.load(std::memory_order_relaxed) - head_.load(std::memory_order_acquire) >=
        kCapacity - kKeptForNotes) {
      return false;
    }
    return push(input);
  });
}

void MidiInputFeed::take(const MidiInput& input) {
  if (wheels_.hold(input)) return;
  // Whatever else comes keeps its place after the wheels' values before it.
  flush_wheels();
  auto& started = started_[input.channel];
  auto& owed = owed_off_[input.channel];
  switch (input.kind) {
    case MidiInput::Kind::note_on:
      // Its earlier note-off has not gone yet: the two would arrive in the wrong order.
      if (owed.test(input.note)) break;
      if (push(input)) started.set(input.note);
      break;
    case MidiInput::Kind::note_off:
      // A note-off for a note that never got through has nothing to end.
      if (!started.test(input.note)) break;
      started.reset(input.note);
      if (!push(input)) {
        owed.set(input.note);
        ++owed_count_;
      }
      break;
    case MidiInput::Kind::pedal: {
      // Only a change of the pedal's state matters, and only its newest state
      // if it must wait.
      const bool down = input.value >= 64;
      if (down == pedal_down_) break;
      pedal_down_ = down;
      if (push(input)) {
        owed_pedal_ = -1;
      } else {
        owed_pedal_ = input.value;
      }
      break;
    }
    case MidiInput::Kind::control:
    case MidiInput::Kind::pitch_bend:
    case MidiInput::Kind::channel_pressure:
    case MidiInput::Kind::key_pressure:
    case MidiInput::Kind::program:
      // A program, a channel mode message or a parameter controller: every one
      // counts, yet one that finds no room is dropped.
      push(input);
      break;
    case MidiInput::Kind::port_lost:
      break;
  }
}

void MidiInputFeed::read(const uint8_t* bytes, size_t length) {
  if (const auto input = read_midi_input(bytes, length, port_)) take(*input);
}

bool MidiInputFeed::port_lost() {
  MidiInput lost;
  lost.kind = MidiInput::Kind::port_lost;
  lost.port = port_;
  flush_wheels();
  if (!push(lost)) return false;
  wheels_.clear();
  for (auto& notes : started_) notes.reset();
  for (auto& notes : owed_off_) notes.reset();
  owed_count_ = 0;
  owed_pedal_ = -1;
  pedal_down_ = false;
  return true;
}

}  // namespace tastarion
