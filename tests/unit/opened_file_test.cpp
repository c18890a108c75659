// A MIDI file opened for F3 (the command line, F4, a drop): it replays in its
// own time with its own channels, a bad one changes nothing, a recording
// refuses it and a new take replaces it; F8 asks for the file or the take as audio.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fixture/piano_fixture.h"
#include "unit/midi_file_bytes.h"

namespace tastarion::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr uint8_t kF2 = 0x3C, kF3 = 0x3D, kF4 = 0x3E, kF8 = 0x42, kC = 0x2E;

class OpenedFileTest : public PianoTest {
 protected:
  OpenedFileTest() { std::filesystem::create_directories(dir); }
  ~OpenedFileTest() override { std::filesystem::remove_all(dir); }

  std::string write(const char* name, const std::vector<uint8_t>& bytes) {
    return write_file(dir / name, bytes).string();
  }

  // Messages sent in (from, to] ms after the start of the test's clock.
  std::vector<ShortMessage> until(double ms) {
    timers.advance_to(static_cast<Micros>(ms * 1000));
    return sent();
  }

  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("tastarion-opened-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
       ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

// Format 1 at 96 ticks a quarter: a tempo track (120, then 240 from beat 1.5),
// a piano part on channel 2 that starts after half a second, and a drum on
// channel 10 struck with the piano's chord.
std::vector<uint8_t> song() {
  return midi_file(
      1, 96,
      {track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x81, 0x10, 0xFF, 0x51, 0x03, 0x03, 0xD0,
              0x90, 0x00, 0xFF, 0x2F, 0x00}),
       track({0x00, 0xC1, 0x05, 0x60, 0x91, 0x3C, 0x64, 0x00, 0x40, 0x64,
              0x60, 0x3C, 0x00, 0x00, 0x40, 0x00, 0x30, 0xFF, 0x2F, 0x00}),
       track({0x60, 0x99, 0x24, 0x70, 0x30, 0x89, 0x24, 0x00, 0x00, 0xFF, 0x2F, 0x00})});
}

TEST_F(OpenedFileTest, ReplaysInItsOwnTimeOnItsOwnChannelsThenGivesThePlayerTheChannelsBack) {
  ASSERT_TRUE(piano.open_midi_file(write("song.mid", song())));
  EXPECT_THAT(view.take(), ElementsAre("file song.mid"));
  key_down(kF3);
  EXPECT_THAT(until(0), ElementsAre());
  EXPECT_THAT(view.take(), ElementsAre("status replaying"));
  // The program change at the file's start comes at the replay's first step,
  // 10 ms after F3, and the file's time runs from there: the piano's chord and
  // the drum a beat at 120 later, together.
  EXPECT_THAT(until(9), IsEmpty());
  EXPECT_THAT(until(10), ElementsAre(ShortMessage::program_change(1, 5)));
  EXPECT_THAT(until(509), IsEmpty());
  EXPECT_THAT(until(510),
              ElementsAre(ShortMessage::note_on(1, 60, 100), ShortMessage::note_on(1, 64, 100),
                          ShortMessage::from_bytes(0x99, 36, 0x70)));
  EXPECT_THAT(view.take(), ElementsAre("mark on 60", "mark on 64"));
  // Half a beat at 120 (250 ms), then the tempo doubles: the rest of the beat is 125 ms.
  EXPECT_THAT(until(759), IsEmpty());
  EXPECT_THAT(until(760), ElementsAre(ShortMessage::note_off(9, 36)));
  EXPECT_THAT(until(884), IsEmpty());
  EXPECT_THAT(until(885),
              ElementsAre(ShortMessage::note_off(1, 60), ShortMessage::note_off(1, 64)));
  // The end of the part's track, half a beat at 240 later, ends the replay.
  until(1009);
  EXPECT_EQ(view.current_status(), PianoStatus::replaying);
  until(1010);
  EXPECT_THAT(view.take(), ElementsAre("mark off 60", "mark off 64", "status idle"));
  // The window's next round: every channel gets the player's instrument and
  // pitch back, once.
  piano.refresh_devices();
  const std::vector<ShortMessage> restored = sent();
  ASSERT_EQ(restored.size(), 48u);
  EXPECT_EQ(restored[0], ShortMessage::control_change(0, 121, 0));
  EXPECT_EQ(restored[16], ShortMessage::program_change(0, 0));
  EXPECT_EQ(restored[47], ShortMessage::pitch_bend(15, ShortMessage::kBendCentre));
  piano.refresh_devices();
  EXPECT_THAT(sent(), IsEmpty());
  // F3 again plays the file again.
  key_down(kF3);
  EXPECT_THAT(until(timers.now() / 1000.0 + 510), Contains(ShortMessage::note_on(1, 60, 100)));
}

TEST_F(OpenedFileTest, ABadFileIsNamedWithItsReasonAndTheTakeStaysWhatF3Replays) {
  view.save_answer = (dir / "take.mid").string();
  key_down(kF2);
  key_down(kC);
  key_up(kC);
  key_down(kF2);
  view.take();
  midi.clear();
  const std::vector<uint8_t> whole = song();
  const std::vector<uint8_t> cut(whole.begin(), whole.begin() + 40);
  EXPECT_FALSE(piano.open_midi_file(write("cut.mid", cut)));
  const std::vector<std::string> shown = view.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_THAT(shown[0],
              HasSubstr("cut.mid is damaged: track 1 claims 19 bytes, but only 18 follow."));
  EXPECT_THAT(errors, ElementsAre(shown[0].substr(8) + "\n"));
  key_down(kF3);
  EXPECT_THAT(until(10), ElementsAre(ShortMessage::note_on(0, 48, 96)));

  // Through F4 the same: a dialog, then the reason.
  piano.toggle_replay();
  view.take();
  view.open_answer = write("text.mid", {'h', 'e', 'l', 'l', 'o'});
  key_down(kF4);
  EXPECT_THAT(
      view.take(),
      ElementsAre("open dialog", "message " + view.open_answer.value() +
                                     " is not a MIDI file (it does not begin with \"MThd\")."));
}

TEST_F(OpenedFileTest, ARecordingRefusesOpeningAndTheNewTakeReplacesTheFile) {
  const std::string path = write("song.mid", song());
  view.open_answer = path;
  key_down(kF4);
  EXPECT_THAT(view.take(), ElementsAre("open dialog", "file song.mid"));
  key_down(kF3);
  until(600);
  view.take();
  view.save_answer = (dir / "take.mid").string();
  key_down(kF2);  // stops the file's replay, gives the channels back, starts recording
  EXPECT_THAT(view.take(), ElementsAre("mark off 60", "mark off 64", "file ", "status recording"));
  EXPECT_THAT(sent(), Contains(ShortMessage::control_change(5, 121, 0)));
  key_down(kF4);
  EXPECT_FALSE(piano.open_midi_file(path));
  EXPECT_THAT(view.take(), IsEmpty());
  key_down(kC);
  key_up(kC);
  key_down(kF2);
  view.take();
  sent();
  key_down(kF3);
  EXPECT_THAT(until(timers.now() / 1000.0 + 10), ElementsAre(ShortMessage::note_on(0, 48, 96)));
}

TEST_F(OpenedFileTest, F8AsksForTheOpenedFileOrElseTheLastTakeAsAudio) {
  key_down(kF8);
  EXPECT_THAT(view.take(), ElementsAre(HasSubstr("message There is nothing to save as audio")));
  view.save_answer = (dir / "take.mid").string();
  key_down(kF2);
  key_down(kC);
  key_up(kC);
  key_down(kF2);
  view.take();
  key_down(kF8);
  EXPECT_THAT(view.take(), ElementsAre("audio of 2 events beside " + view.save_answer.value()));
  const std::string path = write("song.mid", song());
  ASSERT_TRUE(piano.open_midi_file(path));
  view.take();
  key_down(kF8);
  EXPECT_THAT(view.take(), ElementsAre("audio of 7 events beside " + path));
  // A held F8 opens no second dialog behind the first.
  key_down(kF8, false, true);
  EXPECT_THAT(view.take(), IsEmpty());
}

}  // namespace
}  // namespace tastarion::testing
