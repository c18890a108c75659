#include "engine/device_selection.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "fixture/piano_fixture.h"

namespace tastarion::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DeviceSelectionTest : public PianoTest {};

const std::string kFailureBox =
    "Fail to open Midi out driver.\nFake device 1 refused.\n" + std::string(kOpenFailureHelp);

TEST_F(DeviceSelectionTest, StartListsDevicesSelectsTheFirstAndOpensIt) {
  EventBuffer fresh_take;
  Piano fresh(midi, timers, clock, view, fresh_take);
  midi.clear();
  view.take();
  fresh.start();
  EXPECT_THAT(view.take(), ElementsAre("volume 8", "pitch 0", "mm 60", "transpose 0",
                                       "instrument 0", "device name Synth", "device name Port A",
                                       "device name Port B", "device 0"));
  EXPECT_EQ(midi.open_device(), 0);
  EXPECT_THAT(midi.messages(), IsEmpty());
}

TEST(DeviceSelectionStart, AFailedOpenIsShownWithItsReasonAndWhatHelps) {
  FakeMidi midi({"Dead", "Good"});
  midi.failing_device = 0;
  FakeTimerService timers;
  FakeClock clock;
  RecordingView view;
  std::vector<std::string> errors;
  EventBuffer take;
  Piano piano(
      midi, timers, clock, view, take, [](auto) {},
      [&](std::string_view line) { errors.emplace_back(line); });
  piano.start_midi_out();
  const std::string text =
      "Fail to open Midi out driver.\nFake device 0 refused.\n" + std::string(kOpenFailureHelp);
  // No row is selected while no device plays; the same lines go to standard error.
  EXPECT_THAT(view.take(),
              ElementsAre("device name Dead", "device name Good", "device -1", "message " + text));
  EXPECT_THAT(errors, ElementsAre(text + "\n"));
  piano.select_next_device();
  EXPECT_EQ(midi.open_device(), 1);

  // A failure that knows its own remedy says it instead of the usual advice, at
  // the start and on a later switch alike.
  midi.failing_device = 0;
  midi.failure_remedy = "Repair the SoundFont.";
  piano.change_device(0);
  const std::string own =
      "Fail to open Midi out driver.\nFake device 0 refused.\nRepair the SoundFont.";
  EXPECT_THAT(view.take(), ::testing::Contains("message " + own));
  EXPECT_EQ(errors.back(), own + "\n");
}

TEST(DeviceSelectionStart, NoDeviceShowsTheFailureOnceAndPageKeysDoNothing) {
  FakeMidi midi(std::vector<std::string>{});
  FakeTimerService timers;
  FakeClock clock;
  RecordingView view;
  EventBuffer take;
  Piano piano(
      midi, timers, clock, view, take, [](auto) {}, [](auto) {});
  piano.start_midi_out();
  piano.select_next_device();
  piano.select_previous_device();
  piano.change_device(0);
  EXPECT_THAT(view.take(), ElementsAre("device -1",
                                       "message Fail to open Midi out driver.\n"
                                       "Fake device 0 refused.\n" +
                                           std::string(kOpenFailureHelp)));
  EXPECT_THAT(midi.calls, ElementsAre("open 0"));
}

TEST(DeviceSelectionStart, OneDevicePageKeysDoNothing) {
  FakeMidi midi({"Only"});
  FakeTimerService timers;
  FakeClock clock;
  RecordingView view;
  EventBuffer take;
  Piano piano(midi, timers, clock, view, take);
  piano.start();
  midi.clear();
  piano.select_next_device();
  piano.select_previous_device();
  EXPECT_THAT(midi.calls, IsEmpty());
  EXPECT_THAT(midi.messages(), IsEmpty());
}

TEST_F(DeviceSelectionTest, PageDownOpensTheNextDeviceAndSendsTheInstrumentAndPitchInChannelOrder) {
  piano.change_instrument(8);
  piano.change_fine_pitch(30);
  midi.clear();
  piano.select_previous_device();  // at device 0: nothing
  EXPECT_THAT(midi.calls, IsEmpty());
  piano.select_next_device();
  EXPECT_EQ(midi.open_device(), 1);
  EXPECT_THAT(midi.calls, ElementsAre("close 0", "open 1"));
  ASSERT_EQ(midi.sent.size(), 32u);
  for (int c = 0; c < 16; ++c) {
    EXPECT_EQ(midi.sent[c].device, 1);
    EXPECT_EQ(midi.sent[c].message, ShortMessage::from_bytes(0xC0 + c, 73, 0));
    EXPECT_EQ(midi.sent[16 + c].device, 1);
    EXPECT_EQ(midi.sent[16 + c].message, ShortMessage::from_bytes(0xE0 + c, 0, 74));  // +30 cents
  }
  EXPECT_THAT(view.take(), ElementsAre("device 1"));
  piano.select_next_device();
  midi.clear();
  piano.select_next_device();  // at the last device: nothing
  EXPECT_THAT(midi.calls, IsEmpty());
  piano.select_previous_device();
  EXPECT_EQ(midi.open_device(), 1);
}

TEST_F(DeviceSelectionTest, SwitchSilencesTheOldDeviceAndHeldKeysEndOnTheNewOne) {
  piano.note_key_down(key_press(0x2E));
  piano.note_key_down(key_press(0x2F));
  piano.toggle_metronome();  // a click needs no note-off
  timers.advance_ms(1000);
  piano.toggle_metronome();
  midi.clear();
  piano.change_device(2);
  ASSERT_EQ(midi.sent.size(), 34u);
  EXPECT_EQ(midi.sent[0].device, 0);
  EXPECT_EQ(midi.sent[0].message, ShortMessage::note_off(0, 48));
  EXPECT_EQ(midi.sent[1].device, 0);
  EXPECT_EQ(midi.sent[1].message, ShortMessage::note_off(1, 50));
  EXPECT_THAT(std::vector(midi.calls.begin(), midi.calls.end()), ElementsAre("close 0", "open 2"));
  midi.clear();
  piano.note_key_up(key_release(0x2E));
  ASSERT_EQ(midi.sent.size(), 1u);
  EXPECT_EQ(midi.sent[0].device, 2);
  EXPECT_EQ(midi.sent[0].message, ShortMessage::note_off(0, 48));
}

TEST_F(DeviceSelectionTest, FailedSwitchStaysOnTheDeviceItHadAndSaysWhy) {
  piano.change_instrument(8);
  piano.change_fine_pitch(-100);
  press(0x2E);
  midi.clear();
  view.take();
  midi.failing_device = 1;
  piano.select_next_device();
  EXPECT_THAT(midi.calls, ElementsAre("close 0", "open 1", "open 0"));
  EXPECT_EQ(midi.open_device(), 0);
  EXPECT_THAT(view.take(), ElementsAre("device 1", "device 0", "message " + kFailureBox));
  EXPECT_THAT(errors, ElementsAre(kFailureBox + "\n"));
  // The held note was silenced before the close; the reopened device gets the
  // instrument and the pitch again, and plays on.
  std::vector<ShortMessage> expected = {ShortMessage::note_off(0, 48)};
  for (int c = 0; c < 16; ++c) expected.push_back(ShortMessage::from_bytes(0xC0 + c, 73, 0));
  for (int c = 0; c < 16; ++c) expected.push_back(ShortMessage::from_bytes(0xE0 + c, 0, 31));
  EXPECT_EQ(sent(), expected);
  press(0x2F);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(1, 50, 96)));  // slot 0 still holds C
}

TEST_F(DeviceSelectionTest, FailedSwitchFromAClosedDeviceOpensNothingElse) {
  midi.failing_device = 1;
  piano.finish();
  midi.clear();
  view.take();
  piano.change_device(1);
  EXPECT_THAT(midi.calls, ElementsAre("open 1"));
  EXPECT_EQ(view.take().front(), "device -1");  // nothing plays
  piano.select_next_device();                   // still from device 0
  EXPECT_THAT(midi.calls, ElementsAre("open 1", "open 1"));
  EXPECT_EQ(midi.open_device(), -1);
  EXPECT_THAT(midi.messages(), IsEmpty());
  piano.change_device(2);
  EXPECT_EQ(midi.open_device(), 2);
  EXPECT_EQ(midi.messages().size(), 32u);
}

TEST_F(DeviceSelectionTest, TheEndSilencesWhatSoundsAndCloses) {
  piano.note_key_down(key_press(0x2E));
  midi.clear();
  piano.finish();
  EXPECT_THAT(midi.messages(), ElementsAre(ShortMessage::note_off(0, 48)));
  EXPECT_THAT(midi.calls, ElementsAre("close 0"));
  EXPECT_EQ(midi.sounding_count(), 0);
}

// Devices whose opens, while `slow`, wait until the test lets them go.
struct SlowMidi : FakeMidi {
  SlowMidi() : FakeMidi({"Synth", "Port A"}) {}
  Result open(int id) override {
    if (slow) {
      entered = true;
      gate.wait();
    }
    return FakeMidi::open(id);
  }
  std::atomic<bool> slow{true};
  std::atomic<bool> entered{false};
  std::promise<void> go;
  std::shared_future<void> gate = go.get_future().share();
};

// Device 0 opens on a thread of its own at start; the window thread's sends in
// that time find the port closed at once instead of waiting for the sound server.
TEST(MidiPortOpenFirst, SendsWhileDeviceZeroOpensAreDroppedWithoutWaiting) {
  SlowMidi midi;
  MidiPort port(midi);
  FirstDevice first;
  std::thread opener([&] { first = port.open_first(); });
  while (!midi.entered) std::this_thread::yield();
  port.send(ShortMessage::note_on(0, 48, 96));
  EXPECT_FALSE(port.is_open());
  midi.go.set_value();
  opener.join();
  EXPECT_TRUE(first.opened);
  EXPECT_THAT(first.names, ElementsAre("Synth", "Port A"));
  port.send(ShortMessage::note_on(0, 50, 96));
  EXPECT_THAT(midi.messages(), ElementsAre(ShortMessage::note_on(0, 50, 96)));
  EXPECT_EQ(midi.sends_while_closed, 0);
}

// A switch opens the new device on the window thread; a click or a replayed note
// from the timer thread meanwhile is dropped at once instead of waiting for it.
TEST(MidiPortSwitch, SendsWhileTheNewDeviceOpensAreDroppedWithoutWaiting) {
  SlowMidi midi;
  midi.slow = false;
  MidiPort port(midi);
  ASSERT_TRUE(port.open_first().opened);
  port.send(ShortMessage::note_on(0, 48, 96));
  midi.slow = true;
  Result switched = Result::failure("not switched yet");
  std::thread switcher([&] { switched = port.switch_to(1); });
  while (!midi.entered) std::this_thread::yield();
  auto click = std::async(std::launch::async, [&] { port.send(metronome_click(8)); });
  EXPECT_EQ(click.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  midi.go.set_value();
  switcher.join();
  click.wait();
  EXPECT_TRUE(switched);
  // The old device's note ended on it before it closed; the click went nowhere.
  EXPECT_THAT(midi.messages(),
              ElementsAre(ShortMessage::note_on(0, 48, 96), ShortMessage::note_off(0, 48)));
  EXPECT_EQ(midi.sent.back().device, 0);
  EXPECT_THAT(midi.calls, ElementsAre("open 0", "close 0", "open 1"));
  EXPECT_EQ(midi.sends_while_closed, 0);
  EXPECT_TRUE(port.is_open());
}

}  // namespace
}  // namespace tastarion::testing
