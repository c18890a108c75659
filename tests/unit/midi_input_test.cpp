// A MIDI keyboard's messages: how one event is read, how the feed keeps a
// flood from losing a note's end, and how the piano plays what comes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <thread>
#include <vector>

#include "engine/midi_input_feed.h"
#include "engine/midi_input_reader.h"
#include "fakes/feed_bytes.h"
#include "fixture/piano_fixture.h"
#include "fixture/take_records.h"

namespace tastarion::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Kind = MidiInput::Kind;

std::optional<MidiInput> read(std::vector<uint8_t> bytes) {
  return read_midi_input(bytes.data(), bytes.size(), 1);
}

TEST(MidiInputReader, ReadsOnlyWholeChannelMessagesThePianoPlays) {
  EXPECT_EQ(read({0x92, 60, 80}), (MidiInput{Kind::note_on, 1, 2, 60, 80}));
  EXPECT_EQ(read({0x8F, 60, 64}), (MidiInput{Kind::note_off, 1, 15, 60, 0}));
  EXPECT_EQ(read({0x93, 61, 0}), (MidiInput{Kind::note_off, 1, 3, 61, 0}));
  EXPECT_EQ(read({0xB4, 64, 127}), (MidiInput{Kind::pedal, 1, 4, 64, 127}));
  EXPECT_EQ(read({0xB4, 1, 90}), (MidiInput{Kind::control, 1, 4, 1, 90}));
  EXPECT_EQ(read({0xBF, 123, 0}), (MidiInput{Kind::control, 1, 15, 123, 0}));
  EXPECT_EQ(read({0xE1, 0x7F, 0x7F})->bend(), 16383);
  EXPECT_EQ(read({0xE1, 0x01, 0x40}), (MidiInput{Kind::pitch_bend, 1, 1, 0x01, 0x40}));
  EXPECT_EQ(read({0xD2, 77}), (MidiInput{Kind::channel_pressure, 1, 2, 0, 77}));
  EXPECT_EQ(read({0xA3, 60, 10}), (MidiInput{Kind::key_pressure, 1, 3, 60, 10}));
  EXPECT_EQ(read({0xC0, 40}), (MidiInput{Kind::program, 1, 0, 40, 0}));
  // Real-time bytes may come between the bytes of a message.
  EXPECT_EQ(read({0xF8, 0x90, 0xFE, 60, 0xFA, 100, 0xFF}),
            (MidiInput{Kind::note_on, 1, 0, 60, 100}));

  const std::vector<std::vector<uint8_t>> ignored = {
      {},
      {60, 100},                     // running status
      {0x90, 60},                    // cut short
      {0x90, 60, 100, 62},           // one byte too many
      {0x90, 60, 100, 0x90, 62, 1},  // two messages in one event
      {0x90, 0xBC, 100},             // a data byte with its top bit set
      {0x90, 60, 0x80},
      {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},  // System Exclusive
      {0xF0, 0x90, 60, 100, 0xF7},
      {0xF2, 1, 2},      // song position
      {0xF8},            // a real-time byte alone
      {0xB0, 64},        // the pedal cut short
      {0xC0, 5, 6},      // a two-byte message with three
      {0xE0, 0},         // a bend cut short
      {0xD0},            // a pressure without its value
      {0xD0, 5, 6},      // a pressure with one byte too many
      {0xE0, 0x80, 64},  // a bend whose low byte has its top bit set
  };
  for (const auto& bytes : ignored) {
    EXPECT_EQ(read(bytes), std::nullopt) << ::testing::PrintToString(bytes);
  }
}

TEST(MidiInputFeed, AFullQueueDropsNotesButNeverTheEndOfOneThatGotThrough) {
  MidiInputFeed in(0);
  feed(in, {0x90, 60, 100});
  // A flood fills the queue; what finds no room is dropped.
  for (int i = 0; i < 300; ++i) feed(in, {0x91, static_cast<uint8_t>(i % 128), 1});
  EXPECT_EQ(in.dropped(), 300u - (MidiInputFeed::kCapacity - 1));
  // The end of note 60 finds no room either: it is owed, and a new note 60 waits
  // behind it rather than overtaking it.
  feed(in, {0x80, 60, 0});
  feed(in, {0x90, 60, 90});
  // The end of a note that was dropped has nothing to end.
  feed(in, {0x82, 5, 0});
  // The pedal's newest state waits as well.
  feed(in, {0xB0, 64, 127});
  feed(in, {0xB0, 64, 0});
  feed(in, {0xB0, 64, 100});

  const auto first = drain(in);
  ASSERT_EQ(first.size(), MidiInputFeed::kCapacity);
  EXPECT_EQ(first[0], (MidiInput{Kind::note_on, 0, 0, 60, 100}));
  in.settle_owed();
  EXPECT_THAT(drain(in), ElementsAre(MidiInput{Kind::pedal, 0, 0, 64, 100},
                                     MidiInput{Kind::note_off, 0, 0, 60, 0}));
  // Once settled, notes come again.
  feed(in, {0x90, 60, 90});
  EXPECT_THAT(drain(in), ElementsAre(MidiInput{Kind::note_on, 0, 0, 60, 90}));
  // A pedal message that changes nothing is no message.
  feed(in, {0xB0, 64, 127});
  EXPECT_THAT(drain(in), IsEmpty());
}

TEST(MidiInputFeed, ALostPortWaitsForRoomAndForgetsWhatItOwed) {
  MidiInputFeed in(1);
  for (int i = 0; i < 256; ++i)
    feed(in, {0x90, static_cast<uint8_t>(i % 128), static_cast<uint8_t>(1 + i / 128)});
  feed(in, {0x80, 5, 0});  // owed
  EXPECT_FALSE(in.port_lost());
  drain(in);
  EXPECT_TRUE(in.port_lost());
  in.settle_owed();
  EXPECT_THAT(drain(in), ElementsAre(MidiInput{Kind::port_lost, 1, 0, 0, 0}));
  // Note-offs for the notes of before have nothing to end now.
  feed(in, {0x80, 6, 0});
  EXPECT_THAT(drain(in), IsEmpty());
}

// The driver's thread floods the feed while the window thread takes from it;
// every note that reached the window is ended there once the keys come up.
TEST(MidiInputConcurrency, AFloodAcrossThreadsLeavesNoNoteSounding) {
  MidiInputFeed in(0);
  std::atomic<bool> producing{true};
  std::thread driver([&] {
    std::mt19937 random(3);
    for (int i = 0; i < 200'000; ++i) {
      if (i % 64 == 0) in.settle_owed();
      const uint8_t status = static_cast<uint8_t>((random() % 2 ? 0x90 : 0x80) | random() % 16);
      feed(in, {status, static_cast<uint8_t>(random() % 8), static_cast<uint8_t>(random() % 128)});
    }
    for (uint8_t channel = 0; channel < 16; ++channel) {
      for (uint8_t note = 0; note < 8; ++note)
        feed(in, {static_cast<uint8_t>(0x80 | channel), note, 0});
    }
    // The window side drains meanwhile; what is owed goes out as room comes.
    for (int i = 0; i < 1000; ++i) {
      in.settle_owed();
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    producing = false;
  });
  std::set<std::pair<int, int>> sounding;
  size_t taken = 0;
  MidiInput input;
  for (;;) {
    const bool more = producing.load();
    while (in.pop(input)) {
      ++taken;
      if (input.kind == Kind::note_on) sounding.insert({input.channel, input.note});
      if (input.kind == Kind::note_off) sounding.erase({input.channel, input.note});
    }
    if (!more) break;
    // A window thread busy elsewhere: the driver fills the queue meanwhile.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  driver.join();
  // Both sides ran, and the queue was full at times.
  EXPECT_GT(taken, 100u);
  EXPECT_GT(in.dropped(), 0u);
  EXPECT_THAT(sounding, IsEmpty());
}

class MidiInPiano : public PianoTest {
 protected:
  void in(std::vector<uint8_t> bytes, uint8_t port = 0) {
    if (auto input = read_midi_input(bytes.data(), bytes.size(), port)) piano.midi_in(*input);
  }
  void lost(uint8_t port) { piano.midi_in({Kind::port_lost, port, 0, 0, 0}); }
};

TEST_F(MidiInPiano, NotesPlayLikeKeysWithTheirOwnVelocityOnSlotsOfTheirOwn) {
  piano.change_transpose(2);
  piano.start_recording();
  clock.now_ms = 100;
  in({0x93, 60, 33});  // channel 4 in, first slot out
  in({0x90, 60, 127});
  in({0x90, 30, 1});  // below the picture: sounds, has no mark
  in({0x83, 60, 0});
  in({0x95, 60, 0});  // started nothing
  in({0x80, 30, 64});
  in({0x90, 60, 0});
  EXPECT_THAT(sent(),
              ElementsAre(ShortMessage::note_on(0, 62, 33), ShortMessage::note_on(1, 62, 127),
                          ShortMessage::note_on(2, 32, 1), ShortMessage::note_off(0, 62),
                          ShortMessage::note_off(2, 32), ShortMessage::note_off(1, 62)));
  // 60's mark stays while either input holds it.
  EXPECT_THAT(view.take(), ElementsAre("status recording", "mark on 60", "mark on 30",
                                       "mark off 30", "mark off 60"));
  EXPECT_EQ(midi.sounding_channels(), 0);
  // The recording keeps the velocities played, for the replay and the file.
  std::vector<int> velocities;
  for (const ShortMessage record : take_messages(take)) velocities.push_back(record.velocity());
  EXPECT_THAT(velocities, ElementsAre(33, 127, 1, 0, 0, 0));
}

TEST_F(MidiInPiano, TheSixteenthNoteIsSilentAndNoteZeroAndTheTopNoteWork) {
  for (uint8_t note = 0; note < 16; ++note) in({0x90, note, 100});
  auto messages = sent();
  ASSERT_EQ(messages.size(), 15u);
  EXPECT_EQ(messages[9], ShortMessage::note_on(10, 9, 100));  // channel 10 is skipped
  // The end of the silent note ends nothing; the others end on their slots.
  in({0x80, 15, 0});
  EXPECT_THAT(sent(), IsEmpty());
  in({0x80, 0, 0});
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_off(0, 0)));
  for (uint8_t note = 1; note < 15; ++note) in({0x80, note, 0});
  EXPECT_EQ(midi.sounding_channels(), 0);
  sent();
  // A note the transposition would take past 127 cannot be sent, nor ended.
  piano.change_transpose(1);
  in({0x90, 127, 100});
  in({0x90, 126, 100});
  in({0x80, 126, 0});
  EXPECT_THAT(sent(),
              ElementsAre(ShortMessage::note_on(0, 127, 100), ShortMessage::note_off(0, 127)));
}

TEST_F(MidiInPiano, ANoteStruckAgainEndsFirstSoThatOneNoteOffEndsIt) {
  in({0x90, 60, 50});
  in({0x90, 60, 90});
  in({0x80, 60, 0});
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 60, 50), ShortMessage::note_off(0, 60),
                                  ShortMessage::note_on(0, 60, 90), ShortMessage::note_off(0, 60)));
  EXPECT_EQ(midi.sounding_channels(), 0);
}

TEST_F(MidiInPiano, ThePedalFocusLossPanicAndALostPort) {
  in({0xB5, 64, 127});
  auto pedal = sent();
  ASSERT_EQ(pedal.size(), 15u);
  EXPECT_EQ(pedal[0], ShortMessage::sustain_pedal(0, true));
  in({0x90, 60, 70}, 0);
  in({0x90, 62, 70}, 1);
  press(0x2E);  // the C key
  sent();
  // The window loses the keyboard: the key comes up, the MIDI keyboard plays on.
  piano.release_all_keys();
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_off(2, 48)));
  // Port 1 goes away: its note ends, port 0's stays, and so does port 0's pedal.
  lost(1);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_off(1, 62)));
  // Port 0 goes: its note and its pedal end.
  lost(0);
  auto ended = sent();
  ASSERT_EQ(ended.size(), 16u);
  EXPECT_EQ(ended[0], ShortMessage::note_off(0, 60));
  EXPECT_EQ(ended[1], ShortMessage::sustain_pedal(0, false));
  // Panic ends what MIDI inputs play too; their note-offs then end nothing.
  in({0x90, 64, 70});
  sent();
  piano.panic();
  EXPECT_EQ(midi.sounding_channels(), 0);
  sent();
  in({0x80, 64, 0});
  EXPECT_THAT(sent(), IsEmpty());
}

}  // namespace
}  // namespace tastarion::testing
