// A wheel's flood through the MIDI input feed: each batch keeps the last value
// of every wheel on every channel, every note, pedal edge and parameter in its
// place, and the queue's top for the notes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "engine/midi_input_feed.h"
#include "engine/midi_input_reader.h"
#include "fakes/feed_bytes.h"

namespace tastarion::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using Kind = MidiInput::Kind;

TEST(WheelThinning, ABatchKeepsEachWheelsLastValueAndEveryOtherMessageInItsPlace) {
  MidiInputFeed in(0);
  in.settle_owed();
  feed(in, {0xE0, 0, 64});
  feed(in, {0xB0, 1, 10});
  feed(in, {0xE1, 5, 70});  // another channel's wheel is a wheel of its own
  feed(in, {0xE0, 0, 65});
  feed(in, {0xB0, 1, 11});
  feed(in, {0xE0, 0, 66});
  // A note: what came before it goes before it.
  feed(in, {0x90, 60, 100});
  feed(in, {0xA0, 60, 20});
  feed(in, {0xA0, 61, 30});  // another note's pressure
  feed(in, {0xA0, 60, 21});
  feed(in, {0xD0, 40});
  feed(in, {0xD0, 41});
  // The pedal's edges each count; a value that changes nothing goes no
  // further, yet still keeps the wheels' values apart before and after it.
  feed(in, {0xB0, 64, 127});
  feed(in, {0xB0, 1, 12});
  feed(in, {0xB0, 64, 100});
  feed(in, {0xB0, 1, 13});
  feed(in, {0xB0, 64, 0});
  // Bank select and data entry count value by value, so do the mode messages.
  feed(in, {0xB0, 0, 1});
  feed(in, {0xB0, 0, 2});
  feed(in, {0xB0, 6, 3});
  feed(in, {0xB0, 6, 4});
  feed(in, {0xB0, 11, 90});
  feed(in, {0xB0, 11, 91});
  feed(in, {0x80, 60, 0});
  feed(in, {0xB0, 123, 0});
  feed(in, {0xE0, 0, 64});
  // Nothing held goes before the batch ends.
  const auto before_end = drain(in);
  in.end_batch();
  const auto rest = drain(in);

  EXPECT_THAT(before_end, ElementsAreArray(std::vector<MidiInput>{
                              {Kind::pitch_bend, 0, 0, 0, 66},
                              {Kind::control, 0, 0, 1, 11},
                              {Kind::pitch_bend, 0, 1, 5, 70},
                              {Kind::note_on, 0, 0, 60, 100},
                              {Kind::key_pressure, 0, 0, 60, 21},
                              {Kind::key_pressure, 0, 0, 61, 30},
                              {Kind::channel_pressure, 0, 0, 0, 41},
                              {Kind::pedal, 0, 0, 64, 127},
                              {Kind::control, 0, 0, 1, 12},
                              {Kind::control, 0, 0, 1, 13},
                              {Kind::pedal, 0, 0, 64, 0},
                              {Kind::control, 0, 0, 0, 1},
                              {Kind::control, 0, 0, 0, 2},
                              {Kind::control, 0, 0, 6, 3},
                              {Kind::control, 0, 0, 6, 4},
                              {Kind::control, 0, 0, 11, 91},
                              {Kind::note_off, 0, 0, 60, 0},
                              {Kind::control, 0, 0, 123, 0},
                          }));
  EXPECT_THAT(rest, ElementsAre(MidiInput{Kind::pitch_bend, 0, 0, 0, 64}));
  // A new batch starts empty.
  in.settle_owed();
  in.end_batch();
  EXPECT_THAT(drain(in), IsEmpty());
}

TEST(WheelThinning, WheelsLeaveTheQueuesTopToNotesAndTheirNewestValueWaitsForRoom) {
  MidiInputFeed in(0);
  const size_t below_top = MidiInputFeed::kCapacity - MidiInputFeed::kKeptForNotes;
  for (size_t i = 0; i < below_top; ++i) {
    feed(in, {static_cast<uint8_t>(0x90 | i / 128), static_cast<uint8_t>(i % 128), 100});
  }
  feed(in, {0xE0, 0, 70});
  in.end_batch();
  // The note behind the wheel still finds room; the wheel waits.
  in.settle_owed();
  feed(in, {0xE0, 0, 71});
  feed(in, {0x9F, 1, 100});
  feed(in, {0xE0, 0, 72});
  in.end_batch();
  const auto full = drain(in);
  ASSERT_EQ(full.size(), below_top + 1);
  EXPECT_EQ(full.back(), (MidiInput{Kind::note_on, 0, 15, 1, 100}));
  EXPECT_EQ(in.dropped(), 0u);
  // Room again: the newest value goes at the next batch's start.
  in.settle_owed();
  EXPECT_THAT(drain(in), ElementsAre(MidiInput{Kind::pitch_bend, 0, 0, 0, 72}));
}

// A window thread that falls behind while every wheel of every channel moves:
// the queue stays full batch after batch, the held values pile up behind it,
// and once the window catches up each wheel's newest value has arrived.
TEST(WheelThinning, EveryWheelsNewestValueArrivesAfterTheWindowFellBehind) {
  MidiInputFeed in(0);
  // One wheel: its kind and channel, and the controller or note it is of.
  const auto wheel = [](const MidiInput& m) {
    const bool whole_channel = m.kind == Kind::pitch_bend || m.kind == Kind::channel_pressure;
    return std::pair{static_cast<int>(m.kind) * 16 + m.channel, whole_channel ? 0 : m.note};
  };
  std::map<std::pair<int, int>, MidiInput> fed;
  std::map<std::pair<int, int>, MidiInput> arrived;
  const auto take = [&](int count) {
    MidiInput input;
    for (int n = 0; n < count && in.pop(input); ++n) {
      arrived[wheel(input)] = input;
    }
  };
  int value = 0;
  for (int round = 0; round < 80; ++round) {
    in.settle_owed();
    for (int n = 0; n < 300; ++n) {
      const int i = round * 300 + n;
      const auto channel = static_cast<uint8_t>(i % 16);
      const auto number = static_cast<uint8_t>(i / 16 % 128);
      const auto level = static_cast<uint8_t>(++value % 128);
      std::vector<uint8_t> bytes;
      switch (i / 2048 % 3) {
        case 0:
          bytes = {static_cast<uint8_t>(0xA0 | channel), number, level};
          break;
        case 1:
          bytes = {static_cast<uint8_t>(0xB0 | channel), static_cast<uint8_t>(number % 5 + 1),
                   level};
          break;
        default:
          bytes = {static_cast<uint8_t>((number % 2 ? 0xE0 : 0xD0) | channel), level, level};
          if (number % 2 == 0) bytes.pop_back();
          break;
      }
      const auto input = read_midi_input(bytes.data(), bytes.size(), 0);
      ASSERT_TRUE(input.has_value());
      fed[wheel(*input)] = *input;
      in.read(bytes.data(), bytes.size());
    }
    in.end_batch();
    take(40);
  }
  for (int round = 0; round < 100; ++round) {
    in.settle_owed();
    take(static_cast<int>(MidiInputFeed::kCapacity));
  }
  EXPECT_EQ(arrived, fed);
  EXPECT_EQ(in.dropped(), 0u);
}

// Five seconds of a wheel at 5,000 values a second in JACK cycles of 64 frames
// at 48 kHz, a note struck and let go every tenth of a second, while the window
// thread takes only 8 messages a cycle: every note gets through in order,
// nothing is dropped, and the wheel ends where the device left it.
TEST(WheelThinning, AFloodOfWheelValuesNeverCostsANote) {
  MidiInputFeed in(0);
  std::vector<MidiInput> taken;
  int sent_notes = 0;
  int bend = 0;
  constexpr int kCycles = 5 * 48000 / 64;
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    in.settle_owed();
    for (int k = 0; k < 7; ++k) {
      bend = (bend + 37) % 16384;
      feed(in, {0xE2, static_cast<uint8_t>(bend & 0x7F), static_cast<uint8_t>(bend >> 7)});
      feed(in, {0xB2, 1, static_cast<uint8_t>(bend % 128)});
      if (k == 3 && cycle % 75 == 0) {
        const bool on = (cycle / 75) % 2 == 0;
        feed(in, {0x92, 60, static_cast<uint8_t>(on ? 100 : 0)});
        ++sent_notes;
      }
    }
    in.end_batch();
    MidiInput input;
    for (int n = 0; n < 8 && in.pop(input); ++n) taken.push_back(input);
  }
  in.settle_owed();
  for (const auto& input : drain(in)) taken.push_back(input);

  std::vector<Kind> notes;
  int last_bend = -1;
  for (const auto& input : taken) {
    if (input.kind == Kind::note_on || input.kind == Kind::note_off) notes.push_back(input.kind);
    if (input.kind == Kind::pitch_bend) last_bend = input.bend();
  }
  ASSERT_EQ(static_cast<int>(notes.size()), sent_notes);
  for (size_t i = 0; i < notes.size(); ++i) {
    EXPECT_EQ(notes[i], i % 2 == 0 ? Kind::note_on : Kind::note_off) << i;
  }
  EXPECT_EQ(last_bend, bend);
  EXPECT_EQ(in.dropped(), 0u);
  // Thinned: one bend and one modulation a cycle, not seven, and one more of
  // each around a note.
  EXPECT_LE(taken.size(), static_cast<size_t>(2 * kCycles + 3 * sent_notes));
}

}  // namespace
}  // namespace tastarion::testing
