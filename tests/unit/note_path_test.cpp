#include "engine/note_path.h"

#include <gmock/gmock.h>

#include "engine/key_map.h"
#include "fixture/piano_fixture.h"

namespace tastarion::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr uint8_t kC = 0x2E, kV = 0x2F, kSlash = 0x35, kTab = 0x0F, kRo = 0x73, kSpace = 0x39;

using NotePath = PianoTest;

TEST_F(NotePath, PressAndReleaseSendNoteOnAndOffOnTheFirstSlot) {
  press(kC);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 96)));
  EXPECT_EQ(midi.sounding_channels(), 1);
  release(kC);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_off(0, 48)));
  EXPECT_EQ(midi.sounding_channels(), 0);
  EXPECT_THAT(view.take(), ElementsAre("mark on 48", "mark off 48"));
}

TEST_F(NotePath, AutoRepeatSoundsOnce) {
  press(kC);
  press(kC, true);
  press(kC, true);
  EXPECT_EQ(sent().size(), 1u);
  EXPECT_EQ(midi.sounding_channels(), 1);
}

TEST_F(NotePath, FifteenKeysTakeEveryChannelButTen) {
  const uint8_t keys[16] = {0x2A, 0x1E, 0x2C, 0x1F, 0x2D, 0x2E, 0x21, 0x2F,
                            0x22, 0x30, 0x31, 0x24, 0x32, 0x25, 0x33, 0x26};
  for (int i = 0; i < 15; ++i) press(keys[i]);
  auto messages = sent();
  ASSERT_EQ(messages.size(), 15u);
  const int expected_channels[15] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(messages[i].status(), 0x90 + expected_channels[i]);
    EXPECT_EQ(messages[i].data1(), key_to_note(keys[i]));
  }

  // The sixteenth key finds no slot: nothing is sent, no note ends, no mark.
  view.take();
  press(keys[15]);
  EXPECT_THAT(sent(), IsEmpty());
  EXPECT_THAT(view.take(), IsEmpty());
  // ...and its release finds no slot holding its note.
  release(keys[15]);
  EXPECT_THAT(sent(), IsEmpty());
  EXPECT_EQ(midi.sounding_channels(), 15);
  // Released, all fifteen are free again.
  for (int i = 0; i < 15; ++i) release(keys[i]);
  for (int i = 0; i < 15; ++i) press(keys[i]);
  EXPECT_EQ(midi.sounding_channels(), 15);
}

TEST_F(NotePath, ReleasedSlotIsReused) {
  press(kC);
  press(kV);
  press(kSlash);
  release(kV);
  sent();
  press(0x2A);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(1, 43, 96)));
}

TEST_F(NotePath, KeysSharingANoteEachEndTheirOwnChannel) {
  // The three overlapping pairs, and Enter with keypad Enter (one scan code).
  const struct {
    KeyEvent first, second;
    uint8_t note;
  } pairs[] = {{key_press(kRo), key_press(kTab), 62},
               {key_press(0x2B), key_press(0x02), 63},
               {key_press(0x36), key_press(0x10), 64},
               {key_press(0x1C), key_press(0x1C, true), 84}};
  const auto up = [](KeyEvent key) { return key_release(key.scan_code, key.extended); };
  for (const auto& pair : pairs) {
    piano.note_key_down(pair.first);
    piano.note_key_down(pair.second);
    piano.note_key_up(up(pair.second));
    EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, pair.note, 96),
                                    ShortMessage::note_on(1, pair.note, 96),
                                    ShortMessage::note_off(1, pair.note)));
    piano.note_key_up(up(pair.second));  // a second release of it ends nothing
    EXPECT_THAT(sent(), IsEmpty());
    piano.note_key_up(up(pair.first));
    EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_off(0, pair.note)));
  }
}

TEST_F(NotePath, NoteOffCarriesTheNoteItsNoteOnCarried) {
  piano.change_transpose(5);
  press(kC);
  piano.change_transpose(-7);
  release(kC);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 53, 96), ShortMessage::note_off(0, 53)));
  // Marks follow the key note, whatever the transposition.
  EXPECT_THAT(view.take(), ElementsAre("mark on 48", "mark off 48"));
}

TEST_F(NotePath, TranspositionExtremesStayWithinMidiRange) {
  piano.change_transpose(-12);
  press(0x2A);
  piano.change_transpose(12);
  press(0x0E);
  EXPECT_THAT(sent(),
              ElementsAre(ShortMessage::note_on(0, 31, 96), ShortMessage::note_on(1, 97, 96)));
}

TEST_F(NotePath, KeysThatAreNotPianoKeysDoNothing) {
  piano.change_transpose(-12);
  for (uint8_t scan : {kSpace, uint8_t{0x3B}, uint8_t{0x00}, uint8_t{0x1D}}) {
    press(scan);
    release(scan);
  }
  EXPECT_THAT(sent(), IsEmpty());
  EXPECT_THAT(view.take(), IsEmpty());
  EXPECT_EQ(midi.sounding_channels(), 0);
}

TEST_F(NotePath, VolumeZeroStillTakesASlotAndVolumeChangeDoesNotTouchSoundingNotes) {
  piano.change_volume(0);
  press(kC);
  piano.change_volume(10);
  press(kV);
  release(kC);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_off(0, 48), ShortMessage::note_on(1, 50, 120),
                                  ShortMessage::note_off(0, 48)));
}

TEST_F(NotePath, ReleaseWithoutPressSendsNothing) {
  release(kC);
  EXPECT_THAT(sent(), IsEmpty());
  EXPECT_THAT(view.take(), IsEmpty());
}

TEST_F(NotePath, ReleaseAllKeysEndsEveryHeldNote) {
  press(kC);
  press(kV);
  piano.change_transpose(3);
  sent();
  view.take();
  piano.release_all_keys();
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_off(0, 48), ShortMessage::note_off(1, 50)));
  EXPECT_THAT(view.take(), ElementsAre("mark off 48", "mark off 50"));
  EXPECT_EQ(midi.sounding_channels(), 0);
  // The keys' real releases that come later find nothing to end.
  release(kC);
  EXPECT_THAT(sent(), IsEmpty());
}

}  // namespace
}  // namespace tastarion::testing
