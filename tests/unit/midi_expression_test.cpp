// What a MIDI keyboard plays besides its notes: the wheel, the controllers and
// channel mode messages, the pressures and the programs, as they reach the
// note channels, the recording and its replay; and the mouse's velocity.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "engine/midi_input_reader.h"
#include "fixture/piano_fixture.h"
#include "fixture/take_records.h"

namespace tastarion::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// `message` on each of the 15 note channels, in order; the metronome's is left out.
std::vector<ShortMessage> on_note_channels(ShortMessage message) {
  std::vector<ShortMessage> out;
  for (int channel = 0; channel < 16; ++channel) {
    if (channel != kMetronomeChannel) out.push_back(message.on_channel(channel));
  }
  return out;
}

class MidiExpression : public PianoTest {
 protected:
  void in(std::vector<uint8_t> bytes, uint8_t port = 0) {
    auto input = read_midi_input(bytes.data(), bytes.size(), port);
    ASSERT_TRUE(input) << ::testing::PrintToString(bytes);
    piano.midi_in(*input);
  }
  void wheel(int bend) {
    in({0xE0, static_cast<uint8_t>(bend & 0x7F), static_cast<uint8_t>(bend >> 7)});
  }
  // The pitch bends sent since the last call, by channel (-1 where none went).
  std::vector<int> bends() {
    std::vector<int> out(16, -1);
    for (const ShortMessage m : sent()) {
      if (m.kind() == ShortMessage::Kind::pitch_bend) out[m.channel()] = m.bend();
    }
    return out;
  }
  // The recording's records so far, as messages.
  std::vector<ShortMessage> records() { return take_messages(take); }
};

// The metronome's channel keeps the fine pitch; the note channels carry `bend`.
std::vector<int> note_channels_at(int bend, int metronome) {
  std::vector<int> out(16, bend);
  out[kMetronomeChannel] = metronome;
  return out;
}

TEST_F(MidiExpression, TheWheelBendsAllNoteChannelsOnTopOfTheFinePitch) {
  piano.change_fine_pitch(30);  // 74 * 128
  EXPECT_EQ(bends(), note_channels_at(9472, 9472));
  wheel(8192 + 1000);
  EXPECT_EQ(bends(), note_channels_at(10472, 9472));
  // A fine-pitch step while the wheel is off centre keeps both.
  piano.step_fine_pitch(-1);  // 29 cents: 73 * 128
  EXPECT_EQ(bends(), note_channels_at(9344 + 1000, 9344));
  // Kept within the 14 bits at both ends.
  wheel(16383);
  EXPECT_EQ(bends(), note_channels_at(16383, 9344));
  piano.change_fine_pitch(-100);  // 31 * 128
  wheel(0);
  EXPECT_EQ(bends(), note_channels_at(0, 3968));
  // At the centre, exactly the fine pitch's bend again.
  wheel(8192);
  EXPECT_EQ(bends(), note_channels_at(3968, 3968));
}

TEST_F(MidiExpression, ControllersReachEveryNoteChannelAndModeMessagesTheKeyboardsOwn) {
  in({0xB3, 1, 90});
  in({0xB3, 11, 70});
  auto expected = on_note_channels(ShortMessage::control_change(0, 1, 90));
  const auto expression = on_note_channels(ShortMessage::control_change(0, 11, 70));
  expected.insert(expected.end(), expression.begin(), expression.end());
  EXPECT_THAT(sent(), ElementsAreArray(expected));

  in({0x90, 60, 80});     // port 0, channel 1: slot 0
  in({0x91, 62, 80});     // port 0, channel 2: slot 1
  in({0x90, 64, 80}, 1);  // port 1, channel 1: slot 2
  press(0x2E);            // a PC key: slot 3
  sent();
  // All Notes Off ends the notes of that port's channel alone, through the note path.
  in({0xB0, 123, 0});
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_off(0, 60)));
  EXPECT_THAT(view.take(),
              ElementsAre("mark on 60", "mark on 62", "mark on 64", "mark on 48", "mark off 60"));
  // All Sound Off silences them at once, pedal or not, then ends them.
  in({0xB5, 64, 127});
  sent();
  in({0xB1, 120, 0});
  EXPECT_THAT(sent(),
              ElementsAre(ShortMessage::control_change(1, 120, 0), ShortMessage::note_off(1, 62)));
  // Reset All Controllers: what the keyboard moved goes back to rest, its
  // wheel to the fine pitch, its pedal up; the notes go on.
  wheel(9000);
  sent();
  in({0xB0, 121, 0});
  expected = on_note_channels(ShortMessage::control_change(0, 1, 0));
  const auto expression_rest = on_note_channels(ShortMessage::control_change(0, 11, 127));
  expected.insert(expected.end(), expression_rest.begin(), expression_rest.end());
  for (int channel = 0; channel < 16; ++channel) {
    expected.push_back(ShortMessage::pitch_bend(channel, 8192));
  }
  const auto pedal_up = on_note_channels(ShortMessage::sustain_pedal(0, false));
  expected.insert(expected.end(), pedal_up.begin(), pedal_up.end());
  EXPECT_THAT(sent(), ElementsAreArray(expected));
  EXPECT_EQ(midi.sounding_channels(), 2);
  // Local control is the keyboard's business.
  in({0xB0, 122, 0});
  EXPECT_THAT(sent(), IsEmpty());
}

TEST_F(MidiExpression, PressuresReachTheirNotesChannelsWithTheNoteAsItSounds) {
  piano.change_transpose(-3);
  in({0x92, 60, 80});  // slot 0
  in({0x93, 62, 80});  // slot 1, another input channel
  in({0x92, 64, 80});  // slot 2
  sent();
  in({0xD2, 50});
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::channel_pressure(0, 50),
                                  ShortMessage::channel_pressure(2, 50)));
  in({0xA3, 62, 33});
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::key_pressure(1, 59, 33)));
  // A note that does not sound, or sounds from another channel, takes none.
  in({0xA3, 60, 33});
  in({0xA2, 61, 33});
  in({0xD5, 40});
  EXPECT_THAT(sent(), IsEmpty());
}

TEST_F(MidiExpression, AProgramChangeSelectsTheInstrumentThatPlaysIt) {
  in({0xC4, 40});  // "40 Violin"
  EXPECT_THAT(view.take(), ElementsAre("instrument 5"));
  auto changes = sent();
  ASSERT_EQ(changes.size(), 16u);
  EXPECT_EQ(changes[15], ShortMessage::program_change(15, 40));
  // A program none of the nine plays is passed over: the instrument stays.
  in({0xC0, 41});
  EXPECT_THAT(view.take(), IsEmpty());
  EXPECT_THAT(sent(), IsEmpty());
  piano.step_instrument(+1);
  EXPECT_THAT(view.take(), ElementsAre("instrument 6"));
}

TEST_F(MidiExpression, PanicBringsTheWheelAndControllersToRestWhereTheyMoved) {
  piano.change_fine_pitch(3);  // 65 * 128
  in({0xB0, 7, 60});
  in({0xB0, 91, 60});  // no resting value of its own: left as it is
  wheel(100);
  sent();
  piano.panic();
  auto messages = sent();
  // After All Notes Off: the bend back to the fine pitch on the 15 note
  // channels (the metronome's never moved), then the volume.
  std::vector<ShortMessage> rest(messages.begin() + 16, messages.end());
  std::vector<ShortMessage> expected;
  for (int channel = 0; channel < 16; ++channel) {
    if (channel == kMetronomeChannel) continue;
    expected.push_back(ShortMessage::pitch_bend(channel, 8320));
    expected.push_back(ShortMessage::control_change(channel, 7, 100));
  }
  EXPECT_THAT(rest, ElementsAreArray(expected));
  // Nothing moved since: nothing to bring back.
  piano.panic();
  EXPECT_EQ(sent().size(), 16u);
}

TEST_F(MidiExpression, TheTakeKeepsTheWheelOnEveryNoteItBendsAndTheReplayPlaysThem) {
  wheel(9000);  // off centre before the take: recorded for its notes
  sent();
  piano.start_recording();
  clock.now_ms = 10;
  in({0x90, 60, 80});
  clock.now_ms = 20;
  in({0xB0, 1, 40});
  clock.now_ms = 30;
  in({0x90, 64, 80});  // a note started with the wheel and modulation moved
  clock.now_ms = 40;
  wheel(8192);
  in({0xD0, 20});
  clock.now_ms = 50;
  in({0x80, 60, 0});
  in({0x80, 64, 0});
  EXPECT_THAT(
      records(),
      ElementsAre(ShortMessage::note_on(0, 60, 80), ShortMessage::pitch_bend(0, 9000),
                  ShortMessage::control_change(0, 1, 40), ShortMessage::note_on(1, 64, 80),
                  ShortMessage::control_change(1, 1, 40), ShortMessage::pitch_bend(1, 9000),
                  ShortMessage::pitch_bend(0, 8192), ShortMessage::pitch_bend(1, 8192),
                  ShortMessage::channel_pressure(0, 20), ShortMessage::channel_pressure(1, 20),
                  ShortMessage::note_off(0, 60), ShortMessage::note_off(1, 64)));
  view.save_answer = std::string("/dev/null/none");  // the save is not the point here
  piano.stop_recording();
  sent();
  view.take();

  // The replay: a record at the moment of the one before it goes in the same
  // step, so the note and its bend sound together.
  piano.toggle_replay();
  timers.advance_to(10'000);
  EXPECT_THAT(sent(),
              ElementsAre(ShortMessage::note_on(0, 60, 80), ShortMessage::pitch_bend(0, 9000)));
  timers.advance_to(25'000);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::control_change(0, 1, 40)));
  // The player holds a key on channel 1 meanwhile: the replay's second note
  // and its bend go to another channel.
  press(0x2E);
  sent();
  timers.advance_to(35'000);
  EXPECT_THAT(sent(),
              ElementsAre(ShortMessage::note_on(2, 64, 80), ShortMessage::control_change(2, 1, 40),
                          ShortMessage::pitch_bend(2, 9000)));
  // At the end, what the replay moved goes back to rest: its channels' bends
  // to where the piano's wheel and fine pitch have them now, and the modulation.
  release(0x2E);
  sent();
  timers.advance_to(400'000);
  EXPECT_EQ(view.current_status(), PianoStatus::idle);
  EXPECT_THAT(sent(),
              ::testing::IsSupersetOf(
                  {ShortMessage::control_change(0, 1, 0), ShortMessage::control_change(2, 1, 0),
                   ShortMessage::channel_pressure(0, 0), ShortMessage::channel_pressure(2, 0)}));
}

TEST_F(MidiExpression, AWheelThatFillsTheRecordingSaysSoAndEndsItsNotes) {
  piano.start_recording();
  in({0x90, 60, 80});
  view.take();
  for (int i = 0; i < 20'000 && view.current_status() == PianoStatus::recording; ++i) {
    wheel(i % 2 ? 9000 : 7000);
  }
  EXPECT_THAT(view.take(), ElementsAre("status recording full"));
  EXPECT_EQ(records().back(), ShortMessage::note_off(0, 60));
}

TEST_F(MidiExpression, AClickPlaysLouderNearerTheKeysFrontEdgeAndASlideKeepsWhereItEntered) {
  piano.mouse_down(48, Piano::kFrontEdge);
  piano.mouse_move(48, 0);  // within the key: the note goes on as it began
  piano.mouse_move(50, 0);
  piano.mouse_move(52, 50);
  piano.mouse_up();
  piano.change_volume(5);
  piano.mouse_down(48, Piano::kFrontEdge);
  piano.mouse_up();
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 96), ShortMessage::note_off(0, 48),
                                  ShortMessage::note_on(0, 50, 29), ShortMessage::note_off(0, 50),
                                  ShortMessage::note_on(0, 52, 62), ShortMessage::note_off(0, 52),
                                  ShortMessage::note_on(0, 48, 60), ShortMessage::note_off(0, 48)));
}

}  // namespace
}  // namespace tastarion::testing
