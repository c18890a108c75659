#include "instrument/command_keys.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "fixture/piano_fixture.h"
#include "instrument/help_text.h"

namespace tastarion::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr uint8_t kC = 0x2E;  // the PC key C plays note 48
const std::string kHelpBox =
    "message " + std::string(help_text) + "\n\n" + std::string(help_more_keys);

// Keys through the piano's key path, as the window hands them on.
class CommandKeysTest : public PianoTest {
 protected:
  // Presses and releases C, and gives the note-on it sent.
  ShortMessage play_c() {
    midi.clear();
    key_down(kC);
    key_up(kC);
    auto sent = midi.messages();
    midi.clear();
    return sent.empty() ? ShortMessage{} : sent.front();
  }
};

std::vector<ShortMessage> on_all_channels(uint8_t status, uint8_t data1, uint8_t data2 = 0) {
  std::vector<ShortMessage> out;
  for (int channel = 0; channel < 16; ++channel) {
    out.push_back(ShortMessage::from_bytes(static_cast<uint8_t>(status + channel), data1, data2));
  }
  return out;
}

// Each step key runs its command on the first press and again on every repeat.
struct StepKey {
  const char* name;
  uint8_t scan;
  bool extended;
  std::vector<std::string> first;   // what the view is asked on the first press
  std::vector<std::string> repeat;  // and on an auto-repeat after it
};

// Named in test names and failure messages by its key alone.
void PrintTo(const StepKey& key, std::ostream* out) {
  *out << key.name;
}

class StepKeyTest : public CommandKeysTest, public ::testing::WithParamInterface<StepKey> {};

TEST_P(StepKeyTest, RunsOnFirstPressAndOnEveryRepeat) {
  const StepKey& key = GetParam();
  key_down(key.scan, key.extended);
  EXPECT_EQ(view.take(), key.first);
  key_down(key.scan, key.extended, true);
  EXPECT_EQ(view.take(), key.repeat);
  key_up(key.scan, key.extended);
  EXPECT_THAT(view.take(), IsEmpty());
  // A key without a command, or at its limit, sends nothing at all.
  if (key.first.empty()) {
    EXPECT_THAT(midi.messages(), IsEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    CommandKeys, StepKeyTest,
    ::testing::Values(StepKey{"Up", 0x48, true, {"volume 9"}, {"volume 10"}},
                      StepKey{"Down", 0x50, true, {"volume 7"}, {"volume 6"}},
                      StepKey{"Left", 0x4B, true, {"pitch -1"}, {"pitch -2"}},
                      StepKey{"Right", 0x4D, true, {"pitch 1"}, {"pitch 2"}},
                      StepKey{"Insert", 0x52, true, {"transpose 1"}, {"transpose 2"}},
                      StepKey{"Delete", 0x53, true, {"transpose -1"}, {"transpose -2"}},
                      StepKey{"End", 0x4F, true, {"instrument 1"}, {"instrument 2"}},
                      StepKey{"Home", 0x47, true, {}, {}},  // already at the first instrument
                      StepKey{"PageDown", 0x51, true, {"device 1"}, {"device 2"}},
                      StepKey{"PageUp", 0x49, true, {}, {}},  // already at the first device
                      StepKey{"F6", 0x40, false, {"mm 59"}, {"mm 58"}},
                      StepKey{"F7", 0x41, false, {"mm 61"}, {"mm 62"}},
                      StepKey{"Keypad8", 0x48, false, {"volume 9"}, {"volume 10"}},
                      StepKey{"Keypad0", 0x52, false, {"transpose 1"}, {"transpose 2"}},
                      StepKey{"F9", 0x43, false, {}, {}}, StepKey{"F10", 0x44, false, {}, {}},
                      StepKey{"ScrollLock", 0x46, false, {}, {}},
                      StepKey{"KeypadMinus", 0x4A, false, {}, {}},
                      StepKey{"Keypad5", 0x4C, false, {}, {}},
                      StepKey{"KeypadPlus", 0x4E, false, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandKeysTest, SettingKeysChangeWhatTheDeviceAndTheNotesCarry) {
  key_down(0x48, true);  // Up
  EXPECT_THAT(sent(), IsEmpty());
  EXPECT_EQ(play_c(), ShortMessage::note_on(0, 48, 108));

  key_down(0x52, true);  // Insert
  key_down(0x52, true, true);
  EXPECT_EQ(play_c(), ShortMessage::note_on(0, 50, 108));

  key_down(0x4D, true);  // Right: the pitch bends, 1 / 3 + 64
  EXPECT_EQ(sent(), on_all_channels(0xE0, 0, 64));
  key_down(0x4F, true);  // End: "6 Harpsicord"
  EXPECT_EQ(sent(), on_all_channels(0xC0, 6));

  key_down(0x51, true);  // Page Down: device 1, program 6 and the bend sent there
  EXPECT_EQ(midi.open_device(), 1);
  auto expected = on_all_channels(0xC0, 6);
  for (ShortMessage bend : on_all_channels(0xE0, 0, 64)) expected.push_back(bend);
  EXPECT_EQ(sent(), expected);
}

TEST_F(CommandKeysTest, FunctionKeysToggleOnEveryRepeat) {
  key_down(0x3F);  // F5: the metronome's click is due
  EXPECT_EQ(timers.pending(), 1u);
  key_down(0x3F, false, true);
  EXPECT_EQ(timers.pending(), 0u);

  key_down(0x3D);  // F3 starts a replay, its repeat stops it
  EXPECT_EQ(view.current_status(), PianoStatus::replaying);
  key_down(0x3D, false, true);
  EXPECT_EQ(view.current_status(), PianoStatus::idle);
  EXPECT_EQ(timers.pending(), 0u);
  view.take();

  const auto path = std::filesystem::temp_directory_path() / "tastarion-command-keys-test.mid";
  view.save_answer = path.string();
  key_down(0x3C);  // F2 starts a recording
  EXPECT_EQ(view.current_status(), PianoStatus::recording);
  key_down(0x3C, false, true);  // and its repeat stops and saves it
  EXPECT_EQ(view.current_status(), PianoStatus::none);
  EXPECT_THAT(view.take(), ::testing::Contains("save dialog"));
  EXPECT_TRUE(std::filesystem::exists(path));
  std::filesystem::remove(path);
}

TEST_F(CommandKeysTest, F1AndTheMenuShowTheSameHelpBox) {
  key_down(0x3B);
  key_down(0x3B, false, true);
  EXPECT_THAT(view.take(), ElementsAre(kHelpBox, kHelpBox));
  piano.show_help();  // the menu's Help
  EXPECT_THAT(view.take(), ElementsAre(kHelpBox));
  EXPECT_THAT(midi.messages(), IsEmpty());
}

TEST_F(CommandKeysTest, FirstPressOfACommandKeyGoesOnToTheNotePathAndSoundsNothing) {
  // The up key's first press is a note-path press of a key that is no piano key:
  // nothing sent, no slot taken, no mark; a piano key pressed with it plays as usual.
  key_down(0x48, true);
  key_down(kC);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 108)));
  EXPECT_EQ(midi.sounding_channels(), 1);
  key_up(0x48, true);
  EXPECT_THAT(sent(), IsEmpty());
  EXPECT_THAT(view.take(), ElementsAre("volume 9", "mark on 48"));
}

TEST_F(CommandKeysTest, AutoRepeatOfAPianoKeyPlaysNothingMore) {
  key_down(kC);
  key_down(kC, false, true);
  key_down(kC, false, true);
  key_up(kC);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 96), ShortMessage::note_off(0, 48)));
}

TEST_F(CommandKeysTest, PauseEndsTheProgramAndNothingMore) {
  key_down(kC);
  midi.clear();
  view.take();
  key_down(0x45);
  EXPECT_THAT(view.take(), ElementsAre("close"));
  EXPECT_THAT(midi.messages(), IsEmpty());
  // Pause took no step of the volume.
  key_down(0x48, true);
  EXPECT_THAT(view.take(), ElementsAre("volume 9"));
}

TEST_F(CommandKeysTest, NumLockDoesNotEndTheProgramNorLoseARecording) {
  const auto path = std::filesystem::temp_directory_path() / "tastarion-numlock-test.mid";
  view.save_answer = path.string();
  key_down(0x3C);  // F2
  key_down(0x45, true);
  key_down(0x45, true, true);
  key_up(0x45, true);
  EXPECT_THAT(view.take(), ElementsAre("status recording"));
  EXPECT_EQ(view.current_status(), PianoStatus::recording);
  EXPECT_THAT(midi.messages(), IsEmpty());
}

TEST_F(CommandKeysTest, TheTableHoldsTwentyOneKeysEachOnce) {
  std::set<uint8_t> codes;
  for (const CommandKey& key : command_keys) codes.insert(key.scan_code);
  // F1..Delete, then Escape and Space.
  EXPECT_EQ(codes.size(), 21u);
  // Only Pause ends the program; Num Lock, its extended twin, runs nothing.
  for (const CommandKey& key : command_keys) {
    EXPECT_EQ(key.ends_program, key.scan_code == kPauseScanCode) << key.key_name;
  }
  EXPECT_EQ(command_key_of(key_press(kPauseScanCode, true)), nullptr);
  EXPECT_NE(command_key_of(key_press(0x48, false)), nullptr);  // keypad 8 is Up
}

TEST_F(CommandKeysTest, ControlChangesReachWhatTheNotesAndTheDeviceCarry) {
  piano.change_volume(3);
  EXPECT_EQ(play_c(), ShortMessage::note_on(0, 48, 36));
  piano.change_fine_pitch(50);
  EXPECT_EQ(sent(), on_all_channels(0xE0, 0, 80));
  piano.change_mm_speed(90);
  piano.change_transpose(7);  // "+G"
  EXPECT_EQ(play_c(), ShortMessage::note_on(0, 55, 36));
  piano.change_instrument(8);  // "73 Flute"
  EXPECT_EQ(sent(), on_all_channels(0xC0, 73));
  piano.change_device(2);
  EXPECT_EQ(midi.open_device(), 2);
  // The controls already show these values: nothing moves them back.
  EXPECT_THAT(view.take(), ::testing::Each(::testing::StartsWith("mark ")));
  piano.step_mm_speed(+1);  // on from the speed the control set
  EXPECT_THAT(view.take(), ElementsAre("mm 91"));
}

TEST_F(CommandKeysTest, KeyboardLostReleasesEveryHeldKey) {
  key_down(kC);
  key_down(0x2F);  // V
  midi.clear();
  view.take();
  piano.release_all_keys();
  EXPECT_THAT(sent(), ::testing::UnorderedElementsAre(ShortMessage::note_off(0, 48),
                                                      ShortMessage::note_off(1, 50)));
  EXPECT_THAT(view.take(), ::testing::UnorderedElementsAre("mark off 48", "mark off 50"));
  EXPECT_EQ(midi.sounding_channels(), 0);
  key_up(kC);  // the late release finds nothing to stop
  EXPECT_THAT(sent(), IsEmpty());
}

std::vector<std::string> lines_of(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in{std::string(text)};
  while (std::getline(in, line)) lines.push_back(line);
  if (!text.empty() && text.back() == '\n') lines.push_back("");
  return lines;
}

TEST(HelpText, HasItsShape) {
  const auto lines = lines_of(help_text);
  ASSERT_EQ(lines.size(), 44u);
  EXPECT_NE(help_text.back(), '\n');
  EXPECT_TRUE(std::all_of(help_text.begin(), help_text.end(),
                          [](char c) { return c == '\n' || (c >= 0x20 && c < 0x7F); }));
  EXPECT_EQ(help_text.find('\r'), std::string_view::npos);

  // Six titles in order, each after an empty line but the first; bodies indented.
  std::vector<std::string> titles;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("<< ", 0) == 0) {
      titles.push_back(lines[i].substr(0, lines[i].find(">>") + 2));
      if (i > 0) {
        EXPECT_EQ(lines[i - 1], "") << i;
      }
    } else if (!lines[i].empty()) {
      EXPECT_EQ(lines[i][0], ' ') << lines[i];
    }
  }
  EXPECT_THAT(titles, ElementsAre("<< Outline >>", "<< Features >>", "<< Usage >>",
                                  "<< Responsibility >>", "<< Legal >>", "<< Contact >>"));
  EXPECT_EQ(lines.front(), "<< Outline >>");
  EXPECT_EQ(lines[lines.size() - 2], "<< Contact >>");

  // Numbered points " 1. " .. "10. ": seven features, then twelve usage points.
  std::vector<std::vector<int>> points;
  const std::regex point(R"(^ *(( \d)|(\d\d))\. \S.*)");
  for (const auto& line : lines) {
    if (line.rfind("<< ", 0) == 0) points.emplace_back();
    std::smatch m;
    if (std::regex_match(line, m, point)) points.back().push_back(std::stoi(m[1]));
  }
  EXPECT_THAT(points, ElementsAre(IsEmpty(), ElementsAre(1, 2, 3, 4, 5, 6, 7),
                                  ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12), IsEmpty(),
                                  IsEmpty(), IsEmpty()));
}

TEST(HelpText, NamesTheKeysThatDoTheJobAndTheRealPlatform) {
  const std::string text(help_text);
  EXPECT_THAT(text, ::testing::HasSubstr("Volume: [Up]/[Down] arrow keys"));
  EXPECT_THAT(text, ::testing::HasSubstr("Fine pitch: [Left]/[Right] arrow keys"));
  for (const char* key : {"[Ins]/[Del]", "[Home]/[End]", "[PgUp]/[PgDn]", "[F1]", "[F2]", "[F3]",
                          "[F5]", "[F6]/[F7]", "[Pause]", "A=440Hz"}) {
    EXPECT_THAT(text, ::testing::HasSubstr(key));
  }
  EXPECT_THAT(text, ::testing::HasSubstr("Linux"));
  EXPECT_THAT(text, ::testing::Not(::testing::HasSubstr("Windows")));
  const std::string address(version_line.substr(version_line.rfind(' ') + 1));
  EXPECT_TRUE(text.ends_with(address));
}

}  // namespace
}  // namespace tastarion::testing
