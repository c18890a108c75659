#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recorder/event_buffer.h"
#include "recorder/midi_file_reader.h"

namespace tastarion {

// An opened file as the replayer plays it: records of the event buffer's format
// (a four-byte delta in milliseconds, then the message), from
// EventBuffer::kFirstRecord on, closed by an end record whose delta reaches the
// file's end. Unlike a take's, its records of one moment go out in one step:
// events less than kMinimumStepMs after the first of a group join it with a
// delta of 0, so that groups stay at least that far apart and each event
// plays within that much of its time in the file.
class ReplayTrack {
 public:
  ReplayTrack(const MidiSong& song, std::string name);

  const uint8_t* data() const { return image_.data(); }
  uint32_t size() const { return static_cast<uint32_t>(image_.size()); }
  // The file's name as the title shows it.
  const std::string& name() const { return name_; }
  size_t events() const { return (image_.size() - EventBuffer::kFirstRecord) / 7 - 1; }

 private:
  std::vector<uint8_t> image_;
  std::string name_;
};

}  // namespace tastarion
