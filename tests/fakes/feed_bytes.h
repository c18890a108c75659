#pragma once

#include <vector>

#include "engine/midi_input_feed.h"

namespace tastarion::testing {

// The driver's side of a feed, one event's bytes at a time.
inline void feed(MidiInputFeed& in, std::vector<uint8_t> bytes) {
  in.read(bytes.data(), bytes.size());
}

// The window's side: everything queued, in order.
inline std::vector<MidiInput> drain(MidiInputFeed& in) {
  std::vector<MidiInput> out;
  MidiInput input;
  while (in.pop(input)) out.push_back(input);
  return out;
}

}  // namespace tastarion::testing
