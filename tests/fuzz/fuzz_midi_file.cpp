// The MIDI file reader on any bytes: it either refuses them with a sentence
// naming the file, or gives a song whose events are channel messages in time
// order within the song's length; the song's replay track then holds one
// record per event, closed by the end record, with deltas that add up to the
// song's end.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "recorder/midi_file_reader.h"
#include "recorder/replay_track.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tastarion;
  const MidiFileReading reading = read_midi_file(std::span(data, size), "fuzz.mid");
  if (!reading.ok()) {
    check(reading.failure.english().starts_with("fuzz.mid ") && reading.song.events.empty());
    return 0;
  }
  const MidiSong& song = reading.song;
  check(song.events.size() <= kMaxMidiFileEvents && song.length_us <= kMaxMidiFileMicros);
  uint64_t previous = 0;
  for (const MidiSong::Event& event : song.events) {
    check(event.time_us >= previous && event.time_us <= song.length_us);
    previous = event.time_us;
    const ShortMessage m = event.message;
    check(m.status() >= 0x80 && m.status() < 0xF0 && m.data1() < 0x80 && m.data2() < 0x80);
    check(m.kind() != ShortMessage::Kind::note_off);
  }
  const ReplayTrack track(song, "fuzz.mid");
  check(track.events() == song.events.size());
  uint64_t total_ms = 0;
  for (uint32_t at = EventBuffer::kFirstRecord; at < track.size(); at += EventBuffer::kRecordSize) {
    const uint8_t* record = track.data() + at;
    total_ms += decode_delta(record);
    check(is_end_record(record) == (at + EventBuffer::kRecordSize == track.size()));
  }
  check(total_ms == (song.length_us + 500) / 1000);
  return 0;
}
