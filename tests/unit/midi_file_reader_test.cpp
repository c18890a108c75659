#include "recorder/midi_file_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "recorder/replay_track.h"
#include "unit/midi_file_bytes.h"

namespace tastarion::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct Timed {
  uint64_t time_us;
  ShortMessage message;
  bool operator==(const Timed&) const = default;
};

void PrintTo(const Timed& t, std::ostream* out) {
  *out << t.time_us << "us " << std::hex << int(t.message.status()) << ' ' << int(t.message.data1())
       << ' ' << int(t.message.data2());
}

std::vector<Timed> timed(const MidiSong& song) {
  std::vector<Timed> out;
  for (const auto& e : song.events) out.push_back({e.time_us, e.message});
  return out;
}

ShortMessage msg(uint8_t status, uint8_t data1, uint8_t data2 = 0) {
  return ShortMessage::from_bytes(status, data1, data2);
}

// Format 1 as sequencers write it: a tempo track (tempo 120, then 240 from the
// second beat) and two part tracks, one with running status, note-offs of
// either kind, a SysEx and meta events between the notes, and a drum part.
TEST(MidiFileReader, MergesTracksUnderOneTempoMapWithChannelsAsTheyAre) {
  const auto file = midi_file(1, 480,
                              {track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // 500,000 µs
                                      0x83, 0x60, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90,  // 250,000 µs
                                      0x00, 0xFF, 0x2F, 0x00}),
                               track({0x00, 0xC0, 0x28,                    // program 40
                                      0x00, 0x90, 0x3C, 0x64,              // note on
                                      0x83, 0x60, 0x3C, 0x00,              // running: off at 480
                                      0x00, 0xF0, 0x03, 0x7E, 0x09, 0xF7,  // SysEx
                                      0x00, 0xFF, 0x01, 0x02, 'h',  'i',   // text
                                      0x00, 0x40, 0x50,                    // running after them
                                      0x83, 0x60, 0x80, 0x40, 0x7F,        // note-off with velocity
                                      0x00, 0xFF, 0x2F, 0x00}),
                               track({0x00, 0x99, 0x24, 0x70,  // drums on channel 10
                                      0x87, 0x40, 0x89, 0x24, 0x40, 0x00, 0xFF, 0x2F, 0x00})});
  const MidiFileReading reading = read_midi_file(file, "song.mid");
  ASSERT_TRUE(reading.ok()) << reading.failure.english();
  EXPECT_EQ(reading.song.format, 1);
  EXPECT_EQ(reading.song.tracks, 3);
  // 480 ticks at 500,000 µs, the next 480 at 250,000 µs.
  EXPECT_THAT(
      timed(reading.song),
      ::testing::ElementsAre(Timed{0, msg(0xC0, 0x28)}, Timed{0, msg(0x90, 0x3C, 0x64)},
                             Timed{0, msg(0x99, 0x24, 0x70)}, Timed{500'000, msg(0x90, 0x3C)},
                             Timed{500'000, msg(0x90, 0x40, 0x50)}, Timed{750'000, msg(0x90, 0x40)},
                             Timed{750'000, msg(0x99, 0x24)}));
  EXPECT_EQ(reading.song.length_us, 750'000u);
}

TEST(MidiFileReader, SmpteDivisionsCountFramesNotBeats) {
  // 25 frames of 40 ticks: a millisecond a tick, whatever the tempo says.
  auto file = midi_file(0, 0xE728,
                        {track({0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0x90, 0x3C, 0x40,
                                0x87, 0x68, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00})});
  MidiFileReading reading = read_midi_file(file, "a.mid");
  ASSERT_TRUE(reading.ok()) << reading.failure.english();
  EXPECT_EQ(reading.song.events.back().time_us, 1'000'000u);
  // 29.97 drop-frame rate, 10 ticks a frame: 3000 ticks are 10.01 s.
  file = midi_file(0, 0xE30A, {track({0x00, 0x90, 0x3C, 0x40, 0x97, 0x38, 0x3C, 0x00})});
  reading = read_midi_file(file, "a.mid");
  ASSERT_TRUE(reading.ok()) << reading.failure.english();
  EXPECT_EQ(reading.song.events.back().time_us, 10'010'000u);
  // The end of track's own delta counts in the length.
  file = midi_file(
      0, 96, {track({0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00, 0x81, 0x40, 0xFF, 0x2F, 0x00})});
  reading = read_midi_file(file, "a.mid");
  ASSERT_TRUE(reading.ok()) << reading.failure.english();
  EXPECT_EQ(reading.song.length_us, 1'500'000u);
}

struct BadFile {
  const char* name;
  std::vector<uint8_t> bytes;
  const char* reason;
};

void PrintTo(const BadFile& bad, std::ostream* out) {
  *out << bad.name;
}

class BadMidiFile : public ::testing::TestWithParam<BadFile> {};

TEST_P(BadMidiFile, IsRefusedWithASentenceNamingTheFile) {
  const MidiFileReading reading = read_midi_file(GetParam().bytes, "take.mid");
  EXPECT_FALSE(reading.ok());
  EXPECT_THAT(reading.failure.english(), StartsWith("take.mid "));
  EXPECT_THAT(reading.failure.english(), HasSubstr(GetParam().reason));
  EXPECT_TRUE(reading.song.events.empty());
}

std::vector<uint8_t> one_note_track() {
  return track({0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00});
}

std::vector<uint8_t> cut(std::vector<uint8_t> bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<uint8_t> with_track_length(std::vector<uint8_t> bytes, uint32_t length) {
  bytes[18] = static_cast<uint8_t>(length >> 24);
  bytes[19] = static_cast<uint8_t>(length >> 16);
  bytes[20] = static_cast<uint8_t>(length >> 8);
  bytes[21] = static_cast<uint8_t>(length);
  return bytes;
}

std::vector<uint8_t> too_many_events() {
  std::vector<uint8_t> events = {0x00, 0x90, 0x3C, 0x40};
  for (size_t i = 0; i < kMaxMidiFileEvents; ++i) events.insert(events.end(), {0x00, 0x3C, 0x40});
  return midi_file(0, 96, {track(events)});
}

const std::vector<uint8_t> kGood = midi_file(0, 96, {one_note_track()});

INSTANTIATE_TEST_SUITE_P(
    Reasons, BadMidiFile,
    ::testing::Values(
        BadFile{"Empty", {}, "is not a MIDI file"},
        BadFile{"Wave", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, "is not a MIDI file"},
        BadFile{"CutInHeader", cut(kGood, 10), "cut short inside its header"},
        BadFile{"FewerTracksThanPromised", midi_file(1, 96, {one_note_track()}, 2),
                "promises 2 tracks and it holds 1"},
        BadFile{"TrackLongerThanFile", with_track_length(kGood, 5000),
                "track 1 claims 5000 bytes, but only 11 follow"},
        BadFile{"CutInTrack", with_track_length(cut(kGood, 24), 2), "track 1 ends in the middle"},
        BadFile{"UnknownEvent", midi_file(0, 96, {track({0x00, 0xF4, 0x00})}),
                "event the program does not know (status F4"},
        BadFile{"RunningStatusWithoutStatus", midi_file(0, 96, {track({0x00, 0x3C, 0x40})}),
                "data byte where an event begins"},
        BadFile{"StatusInsideEvent", midi_file(0, 96, {track({0x00, 0x90, 0x3C, 0x90})}),
                "status byte inside an event"},
        BadFile{"NumberOfFiveBytes", midi_file(0, 96, {track({0x81, 0x81, 0x81, 0x81, 0x01})}),
                "number longer than four bytes"},
        BadFile{"SysExPastTheTrack", midi_file(0, 96, {track({0x00, 0xF0, 0x7F, 0x01})}),
                "ends in the middle"},
        BadFile{"ZeroDivision", midi_file(0, 0, {one_note_track()}), "time division"},
        BadFile{"OddSmpteRate", midi_file(0, 0xE40A, {one_note_track()}), "time division"},
        BadFile{"FormatTwo", midi_file(2, 96, {one_note_track()}), "format 2"},
        BadFile{"ZeroTempo", midi_file(0, 96, {track({0x00, 0xFF, 0x51, 0x03, 0, 0, 0})}),
                "tempo of 0"},
        BadFile{"LongerThanADay",
                midi_file(0, 1,
                          {track({0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F,
                                  0x90, 0x3C, 0x40})}),
                "longer than 24 hours"},
        BadFile{"TooManyEvents", too_many_events(), "more than 1000000 events"},
        BadFile{"TooLarge", std::vector<uint8_t>(kMaxMidiFileBytes + 1), "too large"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MidiFileReader, LoadingRefusesWhatIsNoFileOrTooLargeBeforeReadingIt) {
  const auto dir = std::filesystem::temp_directory_path() / "tastarion-reader-test";
  std::filesystem::create_directories(dir);
  EXPECT_THAT(load_midi_file(dir.string()).failure.english(), HasSubstr("not a regular file"));
  EXPECT_THAT(load_midi_file((dir / "none.mid").string()).failure.english(),
              HasSubstr("none.mid cannot be opened: No such file"));
  const auto big = dir / "big.mid";
  std::filesystem::resize_file(write_file(big, kGood), kMaxMidiFileBytes + 1);
  EXPECT_THAT(load_midi_file(big.string()).failure.english(), HasSubstr("big.mid is too large"));
  write_file(big, kGood);
  EXPECT_TRUE(load_midi_file(big.string()).ok());
  std::filesystem::remove_all(dir);
}

// The records a replay walks: the lead-in kept, one moment's events joined,
// groups at least the replayer's step apart, and the end at the file's end.
TEST(ReplayTrack, JoinsEachMomentAndEndsWithTheFile) {
  MidiSong song;
  const ShortMessage on = msg(0x90, 60, 100), off = msg(0x90, 60, 0);
  song.events = {{500'000, on},           {500'000, msg(0x99, 36, 90)},
                 {503'000, msg(0xC1, 5)}, {600'000, off},
                 {612'400, on},           {620'000, off}};
  song.length_us = 2'000'000;
  const ReplayTrack track(song, "song.mid");
  ASSERT_EQ(track.events(), 6u);
  std::vector<std::pair<uint32_t, ShortMessage>> records;
  for (uint32_t at = EventBuffer::kFirstRecord; at < track.size(); at += 7) {
    const uint8_t* r = track.data() + at;
    records.emplace_back(decode_delta(r), msg(r[4], r[5], r[6]));
  }
  using R = std::pair<uint32_t, ShortMessage>;
  EXPECT_THAT(records, ::testing::ElementsAre(R{500, on}, R{0, msg(0x99, 36, 90)},
                                              R{0, msg(0xC1, 5)}, R{100, off}, R{12, on}, R{0, off},
                                              R{1388, msg(0xFF, 0x2F, 0)}));
}

}  // namespace
}  // namespace tastarion::testing
