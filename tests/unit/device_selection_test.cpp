#include "engine/device_selection.h"

#include <gmock/gmock.h>

#include "fixture/piano_fixture.h"

namespace tastarion::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DeviceSelectionTest : public PianoTest {};

TEST_F(DeviceSelectionTest, StartListsDevicesSelectsTheFirstAndOpensIt) {
  Piano fresh(midi, timers, clock, view);
  midi.clear();
  view.take();
  fresh.start();
  EXPECT_THAT(view.take(), ElementsAre("volume 8", "pitch 0", "mm 60", "transpose 0",
                                       "instrument 0", "device name Synth", "device name Port A",
                                       "device name Port B", "device 0"));
  EXPECT_EQ(fresh.devices().count(), 3);
  EXPECT_TRUE(fresh.port().is_open());
  EXPECT_THAT(midi.messages(), IsEmpty());
}

TEST(DeviceSelectionStart, AFailedOpenIsShownWithItsReasonAndThePianoGoesOn) {
  FakeMidi midi({"Dead", "Good"});
  midi.failing_device = 0;
  FakeTimerService timers;
  FakeClock clock;
  RecordingView view;
  Piano piano(midi, timers, clock, view);
  piano.start();
  EXPECT_THAT(view.take(), ::testing::Contains("message Fail to open Midi out driver.\n"
                                               "Fake device 0 refused."));
  piano.select_next_device();
  EXPECT_EQ(midi.open_device(), 1);
}

TEST(DeviceSelectionStart, NoDeviceShowsTheFailureOnceAndPageKeysDoNothing) {
  FakeMidi midi(std::vector<std::string>{});
  FakeTimerService timers;
  FakeClock clock;
  RecordingView view;
  Piano piano(midi, timers, clock, view);
  piano.start();
  view.take();
  piano.select_next_device();
  piano.select_previous_device();
  piano.change_device(0);
  EXPECT_THAT(view.take(), IsEmpty());
  EXPECT_THAT(midi.calls, IsEmpty());
}

TEST(DeviceSelectionStart, OneDevicePageKeysDoNothing) {
  FakeMidi midi({"Only"});
  FakeTimerService timers;
  FakeClock clock;
  RecordingView view;
  Piano piano(midi, timers, clock, view);
  piano.start();
  midi.clear();
  piano.select_next_device();
  piano.select_previous_device();
  EXPECT_THAT(midi.calls, IsEmpty());
  EXPECT_THAT(midi.messages(), IsEmpty());
}

TEST_F(DeviceSelectionTest, PageDownOpensTheNextDeviceAndSendsProgramChangesInChannelOrder) {
  piano.change_instrument(8);
  midi.clear();
  piano.select_previous_device();  // at device 0: nothing
  EXPECT_THAT(midi.calls, IsEmpty());
  piano.select_next_device();
  EXPECT_EQ(piano.devices().index(), 1);
  EXPECT_THAT(midi.calls, ElementsAre("close 0", "open 1"));
  ASSERT_EQ(midi.sent.size(), 16u);
  for (int c = 0; c < 16; ++c) {
    EXPECT_EQ(midi.sent[c].device, 1);
    EXPECT_EQ(midi.sent[c].message, pack_message(0xC0 + c, 73));
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
  piano.port().send(pack_message(0x99, 0x38, 96));  // a click needs no note-off
  midi.clear();
  piano.change_device(2);
  ASSERT_EQ(midi.sent.size(), 18u);
  EXPECT_EQ(midi.sent[0].device, 0);
  EXPECT_EQ(midi.sent[0].message, pack_message(0x90, 48, 0));
  EXPECT_EQ(midi.sent[1].device, 0);
  EXPECT_EQ(midi.sent[1].message, pack_message(0x91, 50, 0));
  EXPECT_THAT(std::vector(midi.calls.begin(), midi.calls.end()), ElementsAre("close 0", "open 2"));
  midi.clear();
  piano.note_key_up(key_release(0x2E));
  ASSERT_EQ(midi.sent.size(), 1u);
  EXPECT_EQ(midi.sent[0].device, 2);
  EXPECT_EQ(midi.sent[0].message, pack_message(0x90, 48, 0));
}

TEST_F(DeviceSelectionTest, SwitchToAFailingDeviceDropsSendsUntilTheNextSwitch) {
  midi.failing_device = 1;
  piano.change_device(1);
  piano.note_key_down(key_press(0x2E));
  EXPECT_FALSE(piano.port().is_open());
  EXPECT_THAT(midi.messages(), IsEmpty());
  EXPECT_EQ(midi.sends_while_closed, 0);  // the port itself drops them
  piano.change_device(2);
  EXPECT_EQ(midi.open_device(), 2);
  EXPECT_EQ(midi.messages().size(), 16u);
}

TEST_F(DeviceSelectionTest, SilenceAndCloseEndsWhatSounds) {
  piano.note_key_down(key_press(0x2E));
  midi.clear();
  piano.port().silence_and_close();
  EXPECT_THAT(midi.messages(), ElementsAre(pack_message(0x90, 48, 0)));
  EXPECT_THAT(midi.calls, ElementsAre("close 0"));
  EXPECT_EQ(piano.port().sounding_count(), 0);
}

}  // namespace
}  // namespace tastarion::testing
