#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/player_text.h"
#include "engine/short_message.h"

namespace tastarion {

// What a file may hold before it counts as absurd rather than a song.
inline constexpr size_t kMaxMidiFileBytes = 16u << 20;
inline constexpr size_t kMaxMidiFileEvents = 1'000'000;
// Longer than a day is no song; it also keeps every time well inside 64 bits.
inline constexpr uint64_t kMaxMidiFileMicros = 24ull * 3600 * 1'000'000;

// The channel messages of a Standard MIDI File on one time line, in
// microseconds from its start: every track merged, the tempo map of all tracks
// applied, note-offs (and note-ons of velocity 0) as the program's own
// note-off, channels as the file has them. SysEx and meta events are not kept.
struct MidiSong {
  struct Event {
    uint64_t time_us;
    ShortMessage message;
  };
  std::vector<Event> events;
  // The end of the last track, events or not (a trailing end of track counts).
  uint64_t length_us = 0;
  int format = 0;
  int tracks = 0;
};

// A song, or a sentence naming the file and what is wrong with it.
struct MidiFileReading {
  MidiSong song;
  PlayerText failure;
  bool ok() const { return failure.empty(); }
};

// Reads the bytes of a file called `name` (used in the failure sentence only).
MidiFileReading read_midi_file(std::span<const uint8_t> bytes, std::string_view name);
// Reads the file at `path`, refusing what is no regular file or is larger than
// kMaxMidiFileBytes before reading it.
MidiFileReading load_midi_file(const std::string& path);

}  // namespace tastarion
