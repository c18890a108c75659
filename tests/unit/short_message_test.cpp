#include "engine/short_message.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "fakes/short_message_printer.h"

namespace tastarion {
namespace {

using Bytes = std::array<uint8_t, 3>;
using Kind = ShortMessage::Kind;

TEST(ShortMessage, EachMakerGivesItsBytesAndReadsBack) {
  const auto on = ShortMessage::note_on(3, 60, 96);
  EXPECT_EQ(on.bytes(), (Bytes{0x93, 60, 96}));
  EXPECT_EQ(on.packed(), 0x603C93u);
  EXPECT_EQ(on.kind(), Kind::note_on);
  EXPECT_TRUE(on.starts_note());
  EXPECT_EQ(on.channel(), 3);
  EXPECT_EQ(on.note(), 60);
  EXPECT_EQ(on.velocity(), 96);

  // A note ends with a note-on of velocity 0, never with status 0x80.
  const auto off = ShortMessage::note_off(15, 97);
  EXPECT_EQ(off.bytes(), (Bytes{0x9F, 97, 0}));
  EXPECT_TRUE(off.ends_note());
  EXPECT_FALSE(off.starts_note());

  const auto pedal = ShortMessage::sustain_pedal(2, true);
  EXPECT_EQ(pedal.bytes(), (Bytes{0xB2, 64, 127}));
  EXPECT_TRUE(pedal.is_control(kSustainPedal));
  EXPECT_EQ(ShortMessage::sustain_pedal(2, false), ShortMessage::control_change(2, 64, 0));
  EXPECT_EQ(ShortMessage::all_notes_off(9).bytes(), (Bytes{0xB9, 123, 0}));

  const auto program = ShortMessage::program_change(4, 73);
  EXPECT_EQ(program.bytes(), (Bytes{0xC4, 73, 0}));
  EXPECT_EQ(program.kind(), Kind::program_change);
  EXPECT_EQ(program.program(), 73);

  // Pitch bend: the low seven bits first.
  const auto bend = ShortMessage::pitch_bend(5, 0x1234);
  EXPECT_EQ(bend.bytes(), (Bytes{0xE5, 0x34, 0x24}));
  EXPECT_EQ(bend.bend(), 0x1234);
  EXPECT_EQ(ShortMessage::pitch_bend(0, ShortMessage::kBendCentre).bytes(), (Bytes{0xE0, 0, 64}));
}

TEST(ShortMessage, ReceivedBytesAreReadAsTheyCame) {
  const auto off = ShortMessage::from_bytes(0x81, 60, 64);
  EXPECT_EQ(off.kind(), Kind::note_off);
  EXPECT_TRUE(off.ends_note());
  EXPECT_TRUE(off.is_note());
  EXPECT_FALSE(ShortMessage::from_bytes(0xA1, 60, 64).is_note());
  EXPECT_FALSE(ShortMessage::from_bytes(0xB0, 7, 100).is_control(kSustainPedal));
  EXPECT_EQ(ShortMessage::data_length(0xC3), 1);
  EXPECT_EQ(ShortMessage::data_length(0xD3), 1);
  EXPECT_EQ(ShortMessage::data_length(0xE3), 2);
  // A record's end-of-track bytes pass unchanged.
  EXPECT_EQ(ShortMessage::from_bytes(0xFF, 0x2F).bytes(), (Bytes{0xFF, 0x2F, 0}));
}

TEST(ShortMessage, NoArgumentTurnsOneKindIntoAnother) {
  // Channel 16 would make 0x90 a key-pressure status; only the low four bits count.
  EXPECT_EQ(ShortMessage::note_on(16, 60, 96).status(), 0x90);
  EXPECT_EQ(ShortMessage::note_on(-1, 60, 96).kind(), Kind::note_on);
  // A data value out of range is taken as the nearest limit: never a status byte.
  EXPECT_EQ(ShortMessage::note_on(0, 128, 200).bytes(), (Bytes{0x90, 127, 127}));
  EXPECT_EQ(ShortMessage::control_change(0, -3, -1).bytes(), (Bytes{0xB0, 0, 0}));
  EXPECT_EQ(ShortMessage::pitch_bend(0, 20000).bytes(), (Bytes{0xE0, 127, 127}));
  EXPECT_EQ(ShortMessage::pitch_bend(0, -1).bytes(), (Bytes{0xE0, 0, 0}));
}

}  // namespace
}  // namespace tastarion
