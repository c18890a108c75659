// Escape's panic, Space's pedal, the mouse on the picture and the device list
// following the system's ports, through the piano as the window drives it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fixture/piano_fixture.h"
#include "fixture/take_file.h"
#include "fixture/take_records.h"
#include "recorder/event_buffer.h"

namespace tastarion::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr uint8_t kEscape = 0x01;
constexpr uint8_t kSpace = 0x39;
constexpr uint8_t kC = 0x2E;  // note 48
constexpr uint8_t kV = 0x2F;  // note 50

// Controller `number` at `value` on the fifteen note channels, in order.
std::vector<ShortMessage> pedal_messages(uint8_t value) {
  std::vector<ShortMessage> out;
  for (uint8_t c = 0; c < 16; ++c) {
    if (c != 9) out.push_back(ShortMessage::from_bytes(0xB0 | c, 64, value));
  }
  return out;
}

std::vector<ShortMessage> all_notes_off() {
  std::vector<ShortMessage> out;
  for (uint8_t c = 0; c < 16; ++c) out.push_back(ShortMessage::from_bytes(0xB0 | c, 123, 0));
  return out;
}

std::vector<ShortMessage> concat(std::vector<ShortMessage> a, const std::vector<ShortMessage>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class PlayerKeysTest : public PianoTest {
 protected:
  // The recorded records (status, data1, data2), the end record among them.
  std::vector<ShortMessage> recorded() { return take_messages(take); }

  TakeFiles takes;
};

TEST_F(PlayerKeysTest, PanicEndsHeldAndReplayedNotesThenAllNotesOff) {
  // A replay has note 67 on channel 3 sounding.
  ASSERT_TRUE(piano.open_midi_file(
      takes.write({encode_event_record(0, 0x92, 67, 96), encode_event_record(5000, 0x92, 67, 0),
                   encode_event_record(0, 0xFF, 0x2F, 0)})));
  piano.toggle_replay();
  timers.advance_ms(20);
  key_down(kC);
  key_down(kV);
  sent();
  view.take();

  key_down(kEscape);
  key_down(kEscape, false, true);  // its auto-repeat does nothing more
  EXPECT_EQ(sent(), concat({ShortMessage::note_off(0, 48), ShortMessage::note_off(1, 50),
                            ShortMessage::note_off(2, 67)},
                           all_notes_off()));
  EXPECT_THAT(view.take(), ElementsAre("mark off 48", "mark off 50", "mark off 67", "erase marks"));
  EXPECT_EQ(midi.sounding_channels(), 0);

  // The held keys' releases and repeats send nothing; a new press plays.
  key_down(kC, false, true);
  key_up(kC);
  key_up(kV);
  EXPECT_THAT(sent(), IsEmpty());
  key_down(kC);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 96)));
}

// A synthesizer that honours the pedal would ring on after the note-offs: the
// pedal goes up first, where the replay pressed it and where the player holds it.
TEST_F(PlayerKeysTest, PanicLiftsThePedalBeforeTheNoteOffs) {
  ASSERT_TRUE(piano.open_midi_file(takes.write(
      {encode_event_record(0, 0xB2, 64, 127), encode_event_record(0, 0x92, 67, 96),
       encode_event_record(5000, 0x92, 67, 0), encode_event_record(0, 0xFF, 0x2F, 0)})));
  piano.toggle_replay();
  timers.advance_ms(30);
  sent();
  key_down(kEscape);
  EXPECT_EQ(sent(), concat({ShortMessage::sustain_pedal(2, false), ShortMessage::note_off(2, 67)},
                           all_notes_off()));

  // Again with the player's pedal down (Space held) and a key held.
  piano.toggle_replay();
  piano.toggle_replay();
  timers.advance_ms(30);
  key_down(kSpace);
  key_down(kC);
  sent();
  key_down(kEscape);
  EXPECT_EQ(sent(), concat(concat(pedal_messages(0),
                                  {ShortMessage::note_off(0, 48), ShortMessage::note_off(2, 67)}),
                           all_notes_off()));
  key_up(kSpace);
  EXPECT_THAT(sent(), IsEmpty());
}

TEST_F(PlayerKeysTest, PedalOncePerPressRecordedAndEndedWithTheRecording) {
  key_down(0x3C);  // F2
  clock.now_ms = 100;
  key_down(kSpace);
  for (int i = 0; i < 5; ++i) key_down(kSpace, false, true);
  EXPECT_EQ(sent(), pedal_messages(127));
  key_down(kC);
  key_up(kC);
  key_up(kSpace);
  EXPECT_EQ(sent(), concat({ShortMessage::note_on(0, 48, 96), ShortMessage::note_off(0, 48)},
                           pedal_messages(0)));
  // Down again, and held at the stop: the file lifts it at its end.
  key_down(kSpace);
  piano.stop_recording();
  auto expected = pedal_messages(127);
  expected.push_back(ShortMessage::note_on(0, 48, 96));
  expected.push_back(ShortMessage::note_off(0, 48));
  for (const auto& m : {pedal_messages(0), pedal_messages(127), pedal_messages(0)})
    expected.insert(expected.end(), m.begin(), m.end());
  expected.push_back(ShortMessage::from_bytes(0xFF, 0x2F, 0));
  EXPECT_EQ(recorded(), expected);
  // One moment for the fifteen: the first carries the gap, the rest none.
  EXPECT_EQ(decode_delta(take.data() + 22), 100u);
  EXPECT_EQ(decode_delta(take.data() + 29), 0u);
}

// Another window took the keys while Space was down: its release will not
// come, so the pedal is lifted then, and Space's late release sends nothing.
TEST_F(PlayerKeysTest, PedalLiftedWhenTheWindowLosesTheKeys) {
  key_down(kSpace);
  key_down(kC);
  sent();
  piano.release_all_keys();
  EXPECT_EQ(sent(), concat({ShortMessage::note_off(0, 48)}, pedal_messages(0)));
  key_up(kSpace);
  EXPECT_THAT(sent(), IsEmpty());
}

TEST_F(PlayerKeysTest, AFullRecordingKeepsRoomToLiftThePedalAndEndItsNotes) {
  piano.start_recording();
  key_down(kSpace);
  key_down(kC);
  // Fill up with strokes of V until the recorder says it is full.
  int strokes = 0;
  while (view.current_status() == PianoStatus::recording && strokes < 10000) {
    key_down(kV);
    key_up(kV);
    ++strokes;
  }
  ASSERT_EQ(view.current_status(), PianoStatus::recording_full);
  view.save_answer = takes.path("full.mid");
  piano.stop_recording();
  const auto all = recorded();
  // The end: C's note-off, the pedal lifted, the end record, all within the block.
  ASSERT_GE(all.size(), 17u);
  const std::vector<ShortMessage> tail(all.end() - 17, all.end());
  auto expected = std::vector<ShortMessage>{ShortMessage::note_off(0, 48)};
  for (auto m : pedal_messages(0)) expected.push_back(m);
  expected.push_back(ShortMessage::from_bytes(0xFF, 0x2F, 0));
  EXPECT_EQ(tail, expected);
  EXPECT_LE(all.size(), EventBuffer::kMaxNoteRecords + 1);
}

TEST_F(PlayerKeysTest, ReplayedPedalGoesOutInOrderWithoutMarksAndIsLiftedAtAStop) {
  piano.start_recording();
  key_down(kSpace);
  clock.now_ms = 40;
  key_down(kC);
  piano.stop_recording();  // ends C and lifts the pedal in the file
  key_up(kC);
  key_up(kSpace);
  sent();
  view.take();
  piano.toggle_replay();
  // The fifteen controllers of one pedal change are one step, so the note
  // keeps its recorded 40 ms after them.
  timers.advance_ms(10);
  EXPECT_EQ(sent(), pedal_messages(127));
  timers.advance_ms(39);
  EXPECT_THAT(sent(), IsEmpty());
  timers.advance_ms(1);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 96)));
  // A stop now ends the note and lifts the pedal the replay put down.
  piano.toggle_replay();
  EXPECT_EQ(sent(), concat({ShortMessage::note_off(0, 48)}, pedal_messages(0)));
  EXPECT_THAT(view.take(),
              ElementsAre("status replaying", "mark on 48", "mark off 48", "status idle"));
}

TEST_F(PlayerKeysTest, MouseTakesTheNotePathAndSlidesFromKeyToKey) {
  piano.change_transpose(2);
  piano.start_recording();
  piano.mouse_down(60);
  piano.mouse_move(60);  // within the key: nothing
  piano.mouse_move(61);
  piano.mouse_move(0);  // off the keys: the note ends
  piano.mouse_move(62);
  piano.mouse_up();
  piano.mouse_move(64);  // no button held
  EXPECT_EQ(sent(), (std::vector<ShortMessage>{
                        ShortMessage::note_on(0, 62, 96), ShortMessage::note_off(0, 62),
                        ShortMessage::note_on(0, 63, 96), ShortMessage::note_off(0, 63),
                        ShortMessage::note_on(0, 64, 96), ShortMessage::note_off(0, 64)}));
  EXPECT_EQ(recorded().size(), 6u);
  EXPECT_THAT(view.take(), ElementsAre("status recording", "mark on 60", "mark off 60",
                                       "mark on 61", "mark off 61", "mark on 62", "mark off 62"));
  // A key and the mouse on one note hold two channels, each ended by its own.
  key_down(kC);
  piano.mouse_down(48);
  piano.mouse_up();
  EXPECT_EQ(sent(), (std::vector<ShortMessage>{ShortMessage::note_on(0, 50, 96),
                                               ShortMessage::note_on(1, 50, 96),
                                               ShortMessage::note_off(1, 50)}));
}

class DeviceListTest : public PianoTest {
 protected:
  DeviceListTest() : PianoTest({"Synth", "Port A", "Port B"}) {}
};

TEST_F(DeviceListTest, PortsComeAndGoAndTheSelectedDeviceKeepsItsName) {
  piano.change_device(2);  // Port B
  sent();
  view.take();
  piano.refresh_devices();  // nothing changed
  EXPECT_THAT(view.take(), IsEmpty());

  midi.change_names({"Synth", "New port", "Port A", "Port B"});
  piano.refresh_devices();
  EXPECT_THAT(view.take(), ElementsAre("device name Synth", "device name New port",
                                       "device name Port A", "device name Port B", "device 3"));
  EXPECT_THAT(midi.calls, IsEmpty());  // Port B plays on, unclosed
  piano.select_previous_device();
  EXPECT_EQ(midi.open_device(), 2);
  piano.select_previous_device();
  EXPECT_EQ(midi.open_device(), 1);

  // The selected port goes away: said, and device 0 plays.
  midi.clear();
  view.take();
  midi.change_names({"Synth", "Port A", "Port B"});
  piano.refresh_devices();
  EXPECT_EQ(midi.open_device(), 0);
  const auto events = view.take();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), "message New port went away. Device 0 (Synth) plays now.");
  EXPECT_THAT(errors, ElementsAre("New port went away. Device 0 (Synth) plays now.\n"));
}

TEST_F(DeviceListTest, TheDeviceSpeaksUpAndOneThatWantedASoundServerOpensWhenOneComes) {
  // What the device tells reaches the player as a box and standard error.
  midi.notices = {"Synth: the sound server went away."};
  piano.refresh_devices();
  EXPECT_THAT(view.take(), ElementsAre("message Synth: the sound server went away."));
  EXPECT_THAT(errors, ElementsAre("Synth: the sound server went away.\n"));

  // Device 0 failed for want of a server: it opens once one comes, with the settings.
  midi.failing_device = 0;
  piano.change_device(0);
  view.take();
  midi.clear();
  piano.refresh_devices();  // no server yet
  EXPECT_THAT(midi.calls, IsEmpty());
  midi.failing_device = -1;
  midi.server_appeared = true;
  piano.refresh_devices();
  EXPECT_EQ(midi.open_device(), 0);
  EXPECT_THAT(view.take(), ElementsAre("device 0"));
  EXPECT_EQ(sent().front(), ShortMessage::program_change(0, 0));
  // A server that comes while a device plays changes nothing.
  midi.clear();
  midi.server_appeared = true;
  piano.refresh_devices();
  EXPECT_THAT(midi.calls, IsEmpty());
}

}  // namespace
}  // namespace tastarion::testing
