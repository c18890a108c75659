#include "engine/midi_output_port.h"

#include <gmock/gmock.h>

#include <atomic>
#include <future>
#include <thread>

#include "engine/note_path.h"
#include "engine/sound_settings.h"
#include "engine_fixture.h"

namespace tastarion::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class MidiOutputPortTest : public PianoTest {};

TEST_F(MidiOutputPortTest, StartListsDevicesSelectsRowZeroAndOpensDeviceZero) {
  Piano fresh(midi, timers, clock, view);
  midi.clear();
  view.take();
  start_midi_out(fresh);
  EXPECT_THAT(view.take(), ElementsAre("device name Synth", "device name Port A",
                                       "device name Port B", "device row 0"));
  EXPECT_EQ(fresh.state.device_count, 3);
  EXPECT_TRUE(fresh.midi_out.is_open());
  EXPECT_THAT(midi.messages(), IsEmpty());
}

TEST(MidiOutputPortStart, NoDeviceShowsTheFailureOnceAndPageKeysDoNothing) {
  FakeMidi midi(std::vector<std::string>{});
  FakeTimerService timers;
  FakeClock clock;
  RecordingView view;
  Piano piano(midi, timers, clock, view);
  start_midi_out(piano);
  select_next_device(piano);
  select_previous_device(piano);
  const std::string text =
      "Fail to open Midi out driver.\nFake: refused\n" + std::string(kOpenFailureHelp);
  EXPECT_THAT(view.take(),
              ElementsAre("device row -1", "message [" + std::string(version_line) + "] " + text));
  EXPECT_THAT(midi.calls, ElementsAre("open 0"));
}

TEST(MidiOutputPortStart, OneDevicePageKeysDoNothing) {
  FakeMidi midi({"Only"});
  FakeTimerService timers;
  FakeClock clock;
  RecordingView view;
  Piano piano(midi, timers, clock, view);
  start_midi_out(piano);
  midi.clear();
  select_next_device(piano);
  select_previous_device(piano);
  EXPECT_THAT(midi.calls, IsEmpty());
  EXPECT_THAT(midi.messages(), IsEmpty());
}

TEST_F(MidiOutputPortTest, PageDownOpensTheNextDeviceAndSendsTheInstrumentAndPitchInChannelOrder) {
  change_instrument(piano, 8);
  change_fine_pitch(piano, 30);
  midi.clear();
  select_previous_device(piano);  // at device 0: nothing
  EXPECT_THAT(midi.calls, IsEmpty());
  select_next_device(piano);
  EXPECT_EQ(piano.state.device_index, 1);
  EXPECT_THAT(midi.calls, ElementsAre("close 0", "open 1"));
  ASSERT_EQ(midi.sent.size(), 32u);
  for (int c = 0; c < 16; ++c) {
    EXPECT_EQ(midi.sent[c].device, 1);
    EXPECT_EQ(midi.sent[c].message, pack_message(0xC0 + c, 73));
    EXPECT_EQ(midi.sent[16 + c].device, 1);
    EXPECT_EQ(midi.sent[16 + c].message, pack_message(0xE0 + c, 0, 74));  // +30 cents
  }
  EXPECT_THAT(view.take(), ElementsAre("device row 1"));
  select_next_device(piano);
  midi.clear();
  select_next_device(piano);  // at the last device: nothing
  EXPECT_THAT(midi.calls, IsEmpty());
  select_previous_device(piano);
  EXPECT_EQ(midi.open_device(), 1);
}

TEST_F(MidiOutputPortTest, SwitchSilencesTheOldDeviceAndHeldKeysEndOnTheNewOne) {
  note_key_down(piano, make_key_param(0x2E));
  note_key_down(piano, make_key_param(0x2F));
  piano.midi_out.send(pack_message(0x99, 0x38, 96));  // a click needs no note-off
  midi.clear();
  change_device(piano, 2);
  ASSERT_EQ(midi.sent.size(), 34u);
  EXPECT_EQ(midi.sent[0].device, 0);
  EXPECT_EQ(midi.sent[0].message, pack_message(0x90, 48, 0));
  EXPECT_EQ(midi.sent[1].device, 0);
  EXPECT_EQ(midi.sent[1].message, pack_message(0x91, 50, 0));
  EXPECT_THAT(std::vector(midi.calls.begin(), midi.calls.end()), ElementsAre("close 0", "open 2"));
  midi.clear();
  note_key_up(piano, make_key_param(0x2E, false, true, true));
  ASSERT_EQ(midi.sent.size(), 1u);
  EXPECT_EQ(midi.sent[0].device, 2);
  EXPECT_EQ(midi.sent[0].message, pack_message(0x90, 48, 0));
}

TEST_F(MidiOutputPortTest, FailedSwitchStaysOnTheDeviceItHadAndSaysWhy) {
  change_instrument(piano, 8);
  change_fine_pitch(piano, -100);
  note_key_down(piano, make_key_param(0x2E));
  midi.clear();
  view.take();
  midi.failing_device = 1;
  select_next_device(piano);
  EXPECT_THAT(midi.calls, ElementsAre("close 0", "open 1", "open 0"));
  EXPECT_EQ(piano.state.device_index, 0);
  EXPECT_EQ(midi.open_device(), 0);
  const std::string text =
      "Fail to open Midi out driver.\nFake: refused\n" + std::string(kOpenFailureHelp);
  EXPECT_THAT(view.take(), ElementsAre("device row 1", "device row 0",
                                       "message [" + std::string(version_line) + "] " + text));
  EXPECT_THAT(errors, ElementsAre(text + "\n"));
  // The held note was silenced before the close; the reopened device gets the
  // instrument and the pitch again, and plays on.
  std::vector<ShortMessage> expected = {pack_message(0x90, 48, 0)};
  for (int c = 0; c < 16; ++c) expected.push_back(pack_message(0xC0 + c, 73));
  for (int c = 0; c < 16; ++c) expected.push_back(pack_message(0xE0 + c, 0, 31));
  EXPECT_EQ(sent(), expected);
  note_key_down(piano, make_key_param(0x2F));
  EXPECT_THAT(sent(), ElementsAre(pack_message(0x91, 50, 96)));  // slot 0 still holds C
}

TEST_F(MidiOutputPortTest, FailedSwitchFromAClosedDeviceOpensNothingElse) {
  midi.failing_device = 1;
  piano.midi_out.silence_and_close();
  midi.clear();
  view.take();
  change_device(piano, 1);
  EXPECT_THAT(midi.calls, ElementsAre("open 1"));
  EXPECT_EQ(view.take().front(), "device row -1");  // nothing plays
  EXPECT_EQ(piano.state.device_index, 0);
  EXPECT_FALSE(piano.midi_out.is_open());
  EXPECT_THAT(midi.messages(), IsEmpty());
  change_device(piano, 2);
  EXPECT_EQ(midi.open_device(), 2);
  EXPECT_EQ(midi.messages().size(), 32u);
}

TEST_F(MidiOutputPortTest, SilenceAndCloseEndsWhatSounds) {
  note_key_down(piano, make_key_param(0x2E));
  midi.clear();
  piano.midi_out.silence_and_close();
  EXPECT_THAT(midi.messages(), ElementsAre(pack_message(0x90, 48, 0)));
  EXPECT_THAT(midi.calls, ElementsAre("close 0"));
  EXPECT_EQ(piano.midi_out.sounding_count(), 0);
}

// Device 0 opens on a thread of its own at start; the window thread's sends in
// that time find the port closed at once instead of waiting for the sound server.
TEST(MidiPortOpenFirst, SendsWhileDeviceZeroOpensAreDroppedWithoutWaiting) {
  struct SlowMidi : FakeMidi {
    SlowMidi() : FakeMidi({"Synth", "Port A"}) {}
    bool open(int id) override {
      entered = true;
      gate.wait();
      return FakeMidi::open(id);
    }
    std::atomic<bool> entered{false};
    std::promise<void> go;
    std::shared_future<void> gate = go.get_future().share();
  } midi;
  MidiPort port(midi);
  FirstDevice first;
  std::thread opener([&] { first = port.open_first(); });
  while (!midi.entered) std::this_thread::yield();
  port.send(pack_message(0x90, 48, 96));
  EXPECT_FALSE(port.is_open());
  midi.go.set_value();
  opener.join();
  EXPECT_TRUE(first.opened);
  EXPECT_THAT(first.names, ElementsAre("Synth", "Port A"));
  port.send(pack_message(0x90, 50, 96));
  EXPECT_THAT(midi.messages(), ElementsAre(pack_message(0x90, 50, 96)));
  EXPECT_EQ(midi.sends_while_closed, 0);
}

}  // namespace
}  // namespace tastarion::testing
