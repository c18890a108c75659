#include "recorder/replay_track.h"

#include <algorithm>

#include "recorder/replayer.h"

namespace tastarion {

namespace {
uint32_t millis(uint64_t micros) {
  return static_cast<uint32_t>((micros + 500) / 1000);
}
}  // namespace

ReplayTrack::ReplayTrack(const MidiSong& song, std::string name) : name_(std::move(name)) {
  image_.reserve(EventBuffer::kFirstRecord + (song.events.size() + 1) * EventBuffer::kRecordSize);
  image_.assign(smf_template.begin(), smf_template.begin() + EventBuffer::kFirstRecord);
  const auto append = [this](uint32_t delta, ShortMessage message) {
    const EventRecord record =
        encode_event_record(delta, message.status(), message.data1(), message.data2());
    image_.insert(image_.end(), record.begin(), record.end());
  };
  uint32_t group = 0;  // when the current group plays
  uint32_t last = 0;   // when the previous record plays
  bool first = true;
  for (const MidiSong::Event& event : song.events) {
    const uint32_t at = millis(event.time_us);
    if (first || at >= group + kMinimumStepMs) {
      // The first record waits its own time too: the replayer honours it for a file.
      group = at;
      first = false;
    }
    append(group - last, event.message);
    last = group;
  }
  append(std::max(millis(song.length_us), last) - last, ShortMessage::from_bytes(0xFF, 0x2F, 0));
}

}  // namespace tastarion
