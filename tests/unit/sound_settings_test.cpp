#include "engine/sound_settings.h"

#include <gmock/gmock.h>

#include "engine_fixture.h"

namespace tastarion::testing {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using SoundSettings = PianoTest;

std::vector<ShortMessage> on_all_channels(uint8_t status_base, uint8_t d1, uint8_t d2) {
  std::vector<ShortMessage> out;
  for (int c = 0; c < 16; ++c) out.push_back(pack_message(status_base + c, d1, d2));
  return out;
}

TEST_F(SoundSettings, InitialValues) {
  EXPECT_EQ(piano.state.volume, 8);
  EXPECT_EQ(piano.state.fine_pitch, 0);
  EXPECT_EQ(piano.state.transpose, 0);
  EXPECT_EQ(piano.state.instrument_index, 0);
  EXPECT_EQ(piano.state.program_number, 0);
}

TEST_F(SoundSettings, StepsAtTheirLimitsDoNothing) {
  piano.state.volume = 10;
  step_volume(piano, +1);
  piano.state.volume = 0;
  step_volume(piano, -1);
  piano.state.fine_pitch = 100;
  step_fine_pitch(piano, +1);
  piano.state.fine_pitch = -100;
  step_fine_pitch(piano, -1);
  piano.state.transpose = 12;
  step_transpose(piano, +1);
  piano.state.transpose = -12;
  step_transpose(piano, -1);
  piano.state.instrument_index = 8;
  step_instrument(piano, +1);
  piano.state.instrument_index = 0;
  step_instrument(piano, -1);
  EXPECT_THAT(sent(), IsEmpty());
  EXPECT_THAT(view.take(), IsEmpty());
  EXPECT_EQ(piano.state.volume, 0);
  EXPECT_EQ(piano.state.fine_pitch, -100);
  EXPECT_EQ(piano.state.transpose, -12);
  EXPECT_EQ(piano.state.instrument_index, 0);
}

TEST_F(SoundSettings, StepsMoveTheFieldThenTheControlThenSend) {
  step_volume(piano, +1);
  step_volume(piano, +1);
  EXPECT_EQ(piano.state.volume, 10);
  step_transpose(piano, -1);
  step_fine_pitch(piano, +1);
  step_instrument(piano, +1);
  EXPECT_THAT(view.take(), ElementsAre("volume slider 9", "volume slider 10", "transpose row 13",
                                       "pitch slider 1", "instrument row 1"));
  auto messages = sent();
  ASSERT_EQ(messages.size(), 32u);
  EXPECT_EQ(std::vector(messages.begin(), messages.begin() + 16), on_all_channels(0xE0, 0, 64));
  EXPECT_EQ(std::vector(messages.begin() + 16, messages.end()), on_all_channels(0xC0, 6, 0));
  EXPECT_EQ(piano.state.program_number, 6);
}

TEST_F(SoundSettings, PitchBendTable) {
  const int cents[] = {-100, -99, -4, -3, -2, -1, 0, 1, 2, 3, 99, 100};
  const int bytes[] = {31, 31, 63, 63, 64, 64, 64, 64, 64, 65, 97, 97};
  for (int i = 0; i < 12; ++i) {
    change_fine_pitch(piano, cents[i]);
    EXPECT_EQ(sent(), on_all_channels(0xE0, 0, bytes[i])) << cents[i];
  }
}

TEST_F(SoundSettings, ChangesRunWholeForTheCurrentValueAndMoveNoControl) {
  change_fine_pitch(piano, 0);
  EXPECT_EQ(sent(), on_all_channels(0xE0, 0, 64));
  change_instrument(piano, 0);
  EXPECT_EQ(sent(), on_all_channels(0xC0, 0, 0));
  change_instrument(piano, 8);
  EXPECT_EQ(sent(), on_all_channels(0xC0, 73, 0));
  change_volume(piano, 3);
  change_transpose(piano, 7);
  EXPECT_THAT(sent(), IsEmpty());
  EXPECT_THAT(view.take(), IsEmpty());
  EXPECT_EQ(piano.state.volume, 3);
  EXPECT_EQ(piano.state.transpose, 7);
}

TEST(SoundSettingsTables, NamesAndProgramNumbers) {
  EXPECT_STREQ(transpose_names[0], "+C");
  EXPECT_STREQ(transpose_names[2], "+Bb/A#");
  EXPECT_STREQ(transpose_names[12], "C");
  EXPECT_STREQ(transpose_names[14], "-A#/Bb");
  EXPECT_STREQ(transpose_names[24], "-C");
  const int programs[] = {0, 6, 11, 16, 24, 40, 56, 68, 73};
  for (int row = 0; row < 9; ++row) EXPECT_EQ(program_number_of_row(row), programs[row]);
  EXPECT_STREQ(instrument_names[6], "56 Trampet");
}

}  // namespace
}  // namespace tastarion::testing
