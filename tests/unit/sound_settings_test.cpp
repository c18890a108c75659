#include "engine/sound_settings.h"

#include <gmock/gmock.h>

#include <string>

#include "fixture/piano_fixture.h"

namespace tastarion::testing {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using SoundSettings = PianoTest;

std::vector<ShortMessage> on_all_channels(uint8_t status_base, uint8_t d1, uint8_t d2) {
  std::vector<ShortMessage> out;
  for (int c = 0; c < 16; ++c) out.push_back(ShortMessage::from_bytes(status_base + c, d1, d2));
  return out;
}

TEST_F(SoundSettings, InitialValues) {
  EXPECT_EQ(view.shown.volume, 8);
  EXPECT_EQ(view.shown.fine_pitch, 0);
  EXPECT_EQ(view.shown.transpose, 0);
  EXPECT_EQ(view.shown.instrument, 0);
  // The device switched to hears the first instrument's program.
  piano.change_device(1);
  auto messages = sent();
  messages.resize(16);
  EXPECT_EQ(messages, on_all_channels(0xC0, 0, 0));
}

TEST_F(SoundSettings, StepsAtTheirLimitsDoNothing) {
  const auto at_limit = [&](auto set, auto step, std::string name, int value, int direction) {
    (piano.*set)(value);
    sent();
    view.take();
    (piano.*step)(direction);
    EXPECT_THAT(sent(), IsEmpty()) << value;
    EXPECT_THAT(view.take(), IsEmpty()) << value;
    // The value stayed at the limit: a step back lands next to it.
    (piano.*step)(-direction);
    EXPECT_THAT(view.take(), ElementsAre(name + " " + std::to_string(value - direction)));
  };
  at_limit(&Piano::change_volume, &Piano::step_volume, "volume", 10, +1);
  at_limit(&Piano::change_volume, &Piano::step_volume, "volume", 0, -1);
  at_limit(&Piano::change_fine_pitch, &Piano::step_fine_pitch, "pitch", 100, +1);
  at_limit(&Piano::change_fine_pitch, &Piano::step_fine_pitch, "pitch", -100, -1);
  at_limit(&Piano::change_transpose, &Piano::step_transpose, "transpose", 12, +1);
  at_limit(&Piano::change_transpose, &Piano::step_transpose, "transpose", -12, -1);
  at_limit(&Piano::change_instrument, &Piano::step_instrument, "instrument", 8, +1);
  at_limit(&Piano::change_instrument, &Piano::step_instrument, "instrument", 0, -1);
}

TEST_F(SoundSettings, ValuesNoControlCanGiveAreDropped) {
  // Sent on, they would be a velocity, bend or note past 127.
  piano.change_volume(11);
  piano.change_volume(-1);
  piano.change_fine_pitch(101);
  piano.change_fine_pitch(-2147483647 - 1);
  piano.change_transpose(13);
  piano.change_transpose(-13);
  piano.change_instrument(9);
  piano.change_instrument(-1);
  piano.change_device(3);
  piano.change_device(-1);
  EXPECT_THAT(sent(), IsEmpty());
  EXPECT_THAT(midi.calls, IsEmpty());
  // Every setting steps on from the value it had.
  view.take();
  piano.step_volume(+1);
  piano.step_fine_pitch(+1);
  piano.step_transpose(+1);
  piano.step_instrument(+1);
  piano.select_next_device();
  EXPECT_THAT(view.take(),
              ElementsAre("volume 9", "pitch 1", "transpose 1", "instrument 1", "device 1"));
}

TEST_F(SoundSettings, StepsMoveTheFieldThenTheControlThenSend) {
  piano.step_volume(+1);
  piano.step_volume(+1);
  piano.step_transpose(-1);
  piano.step_fine_pitch(+1);
  piano.step_instrument(+1);
  EXPECT_THAT(view.take(),
              ElementsAre("volume 9", "volume 10", "transpose -1", "pitch 1", "instrument 1"));
  auto messages = sent();
  ASSERT_EQ(messages.size(), 32u);
  EXPECT_EQ(std::vector(messages.begin(), messages.begin() + 16), on_all_channels(0xE0, 0, 64));
  EXPECT_EQ(std::vector(messages.begin() + 16, messages.end()), on_all_channels(0xC0, 6, 0));
}

TEST_F(SoundSettings, PitchBendTable) {
  const int cents[] = {-100, -99, -4, -3, -2, -1, 0, 1, 2, 3, 99, 100};
  const int bytes[] = {31, 31, 63, 63, 64, 64, 64, 64, 64, 65, 97, 97};
  for (int i = 0; i < 12; ++i) {
    piano.change_fine_pitch(cents[i]);
    EXPECT_EQ(sent(), on_all_channels(0xE0, 0, bytes[i])) << cents[i];
  }
}

TEST_F(SoundSettings, ChangesRunWholeForTheCurrentValueAndMoveNoControl) {
  piano.change_fine_pitch(0);
  EXPECT_EQ(sent(), on_all_channels(0xE0, 0, 64));
  piano.change_instrument(0);
  EXPECT_EQ(sent(), on_all_channels(0xC0, 0, 0));
  piano.change_instrument(8);
  EXPECT_EQ(sent(), on_all_channels(0xC0, 73, 0));
  piano.change_volume(3);
  piano.change_transpose(7);
  EXPECT_THAT(sent(), IsEmpty());
  EXPECT_THAT(view.take(), IsEmpty());
  press(0x2E);  // C, at volume 3 and a fifth up
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 55, 36)));
}

TEST(SoundSettingsTables, ProgramNumbersAreTheNamesLeadingNumbers) {
  const int programs[] = {0, 6, 11, 16, 24, 40, 56, 68, 73};
  for (int index = 0; index < 9; ++index) EXPECT_EQ(program_number_of(index), programs[index]);
  EXPECT_STREQ(instrument_names[6], "56 Trampet");
}

}  // namespace
}  // namespace tastarion::testing
