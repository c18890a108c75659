// The file a take becomes: every record's message with its own length, so that
// any reader finds the next delta where it is.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "recorder/event_buffer.h"
#include "recorder/midi_file_reader.h"
#include "recorder/recording_file.h"

namespace tastarion::testing {
namespace {

using ::testing::ElementsAre;

TEST(SavedFileBytes, OneDataByteMessagesLeaveTheirSpareByteOut) {
  EventBuffer buffer;
  ASSERT_TRUE(buffer.allocate());
  std::vector<uint8_t> image(buffer.data(), buffer.data() + EventBuffer::kFirstRecord);
  for (const auto& record :
       {encode_event_record(10, 0x90, 60, 100),
        encode_event_record(5, 0xD0, 48, 0),  // channel pressure
        encode_event_record(0, 0xA0, 60, 30), encode_event_record(5, 0xC1, 7, 0),  // program change
        encode_event_record(1, 0x90, 60, 0), encode_event_record(0, 0xFF, 0x2F, 0)}) {
    image.insert(image.end(), record.begin(), record.end());
  }
  const std::vector<uint8_t> file = midi_file_bytes(image);
  const std::vector<uint8_t> track(file.begin() + EventBuffer::kFirstRecord, file.end());
  EXPECT_EQ(track, (std::vector<uint8_t>{0x00, 0xFF, 0x51, 0x03, 0x07, 0xD0, 0x00,  // tempo
                                         0x80, 0x80, 0x80, 10,   0x90, 60,   100,   //
                                         0x80, 0x80, 0x80, 5,    0xD0, 48,          //
                                         0x80, 0x80, 0x80, 0,    0xA0, 60,   30,    //
                                         0x80, 0x80, 0x80, 5,    0xC1, 7,           //
                                         0x80, 0x80, 0x80, 1,    0x90, 60,   0,     //
                                         0x80, 0x80, 0x80, 0,    0xFF, 0x2F, 0x00}));
  // The track length counts the bytes written.
  EXPECT_THAT(std::vector<uint8_t>(file.begin() + EventBuffer::kTrackLengthOffset,
                                   file.begin() + EventBuffer::kTrackLengthOffset + 4),
              ElementsAre(0, 0, 0, track.size()));

  // A reader of files takes every message where it was played.
  const MidiFileReading reading = read_midi_file(file, "take.mid");
  ASSERT_TRUE(reading.ok()) << reading.failure.english();
  std::vector<std::pair<uint64_t, ShortMessage>> events;
  for (const auto& event : reading.song.events) events.emplace_back(event.time_us, event.message);
  EXPECT_THAT(events, ElementsAre(std::pair{10'000u, ShortMessage::note_on(0, 60, 100)},
                                  std::pair{15'000u, ShortMessage::channel_pressure(0, 48)},
                                  std::pair{15'000u, ShortMessage::key_pressure(0, 60, 30)},
                                  std::pair{20'000u, ShortMessage::program_change(1, 7)},
                                  std::pair{21'000u, ShortMessage::note_off(0, 60)}));
}

}  // namespace
}  // namespace tastarion::testing
