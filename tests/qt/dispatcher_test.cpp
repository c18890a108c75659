#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/help_document.h"
#include "app/piano_window_proc.h"
#include "engine/key_map.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_midi.h"
#include "fakes/fake_timer_service.h"
#include "fakes/recording_view.h"

namespace tastarion::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr uint8_t kC = 0x2E;  // the PC key C plays note 48
const std::string kHelpBox =
    "message [" + std::string(version_line) + "] " + std::string(help_document);

class FakeWindow : public WindowPort {
 public:
  void close_window() override { calls.push_back("close"); }
  int run_popup_menu(int x, int y) override {
    calls.push_back("menu at " + std::to_string(x) + "," + std::to_string(y));
    return menu_choice;
  }
  void take_focus() override { calls.push_back("focus"); }
  void paint_keyboard() override { calls.push_back("paint"); }

  std::vector<std::string> take() { return std::exchange(calls, {}); }

  int menu_choice = 0;
  std::vector<std::string> calls;
};

class DispatcherTest : public ::testing::Test {
 protected:
  DispatcherTest()
      : midi({"Synth", "Port A", "Port B"}), piano(midi, timers, clock, view, [](auto) {}) {
    piano.state.device_count = midi.device_count();
    piano.midi_out.switch_to(0);
    piano.state.event_buffer.allocate();
    midi.clear();
  }

  void dispatch(const WindowMessage& message) { piano_window_proc(piano, window, message); }
  void key_down(uint8_t scan, bool extended = false, bool repeat = false) {
    dispatch(KeyDown{make_key_param(scan, extended, repeat)});
  }
  void key_up(uint8_t scan, bool extended = false) {
    dispatch(KeyUp{make_key_param(scan, extended, false, true)});
  }
  // Presses and releases C, and gives the note-on it sent.
  ShortMessage play_c() {
    midi.clear();
    key_down(kC);
    key_up(kC);
    auto sent = midi.messages();
    midi.clear();
    return sent.empty() ? 0 : sent.front();
  }
  std::vector<ShortMessage> sent() {
    auto out = midi.messages();
    midi.clear();
    return out;
  }

  FakeMidi midi;
  FakeTimerService timers;
  FakeClock clock;
  RecordingView view;
  FakeWindow window;
  Piano piano;
};

std::vector<ShortMessage> on_all_channels(uint8_t status, uint8_t data1, uint8_t data2 = 0) {
  std::vector<ShortMessage> out;
  for (int channel = 0; channel < 16; ++channel) {
    out.push_back(pack_message(static_cast<uint8_t>(status + channel), data1, data2));
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

class StepKeyTest : public DispatcherTest, public ::testing::WithParamInterface<StepKey> {};

TEST_P(StepKeyTest, RunsOnFirstPressAndOnEveryRepeat) {
  const StepKey& key = GetParam();
  key_down(key.scan, key.extended);
  EXPECT_EQ(view.take(), key.first);
  key_down(key.scan, key.extended, true);
  EXPECT_EQ(view.take(), key.repeat);
  key_up(key.scan, key.extended);
  EXPECT_THAT(view.take(), IsEmpty());
  EXPECT_THAT(window.take(), IsEmpty());
  // A key without a command, or at its limit, sends nothing at all.
  if (key.first.empty()) {
    EXPECT_THAT(midi.messages(), IsEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    CommandKeys, StepKeyTest,
    ::testing::Values(StepKey{"Up", 0x48, true, {"volume slider 9"}, {"volume slider 10"}},
                      StepKey{"Down", 0x50, true, {"volume slider 7"}, {"volume slider 6"}},
                      StepKey{"Left", 0x4B, true, {"pitch slider -1"}, {"pitch slider -2"}},
                      StepKey{"Right", 0x4D, true, {"pitch slider 1"}, {"pitch slider 2"}},
                      StepKey{"Insert", 0x52, true, {"transpose row 11"}, {"transpose row 10"}},
                      StepKey{"Delete", 0x53, true, {"transpose row 13"}, {"transpose row 14"}},
                      StepKey{"End", 0x4F, true, {"instrument row 1"}, {"instrument row 2"}},
                      StepKey{"Home", 0x47, true, {}, {}},  // already at the first instrument
                      StepKey{"PageDown", 0x51, true, {"device row 1"}, {"device row 2"}},
                      StepKey{"PageUp", 0x49, true, {}, {}},  // already at the first device
                      StepKey{"F6", 0x40, false, {"mm slider 59"}, {"mm slider 58"}},
                      StepKey{"F7", 0x41, false, {"mm slider 61"}, {"mm slider 62"}},
                      StepKey{"Keypad8", 0x48, false, {"volume slider 9"}, {"volume slider 10"}},
                      StepKey{"Keypad0", 0x52, false, {"transpose row 11"}, {"transpose row 10"}},
                      StepKey{"F4", 0x3E, false, {}, {}}, StepKey{"F8", 0x42, false, {}, {}},
                      StepKey{"F9", 0x43, false, {}, {}}, StepKey{"F10", 0x44, false, {}, {}},
                      StepKey{"ScrollLock", 0x46, false, {}, {}},
                      StepKey{"KeypadMinus", 0x4A, false, {}, {}},
                      StepKey{"Keypad5", 0x4C, false, {}, {}},
                      StepKey{"KeypadPlus", 0x4E, false, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DispatcherTest, SettingKeysChangeWhatTheDeviceAndTheNotesCarry) {
  key_down(0x48, true);  // Up
  EXPECT_THAT(sent(), IsEmpty());
  EXPECT_EQ(play_c(), pack_message(0x90, 48, 108));

  key_down(0x52, true);  // Insert
  key_down(0x52, true, true);
  EXPECT_EQ(play_c(), pack_message(0x90, 50, 108));

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

TEST_F(DispatcherTest, FunctionKeysToggleOnEveryRepeat) {
  key_down(0x3F);  // F5
  EXPECT_NE(piano.state.metronome_on, 0u);
  EXPECT_EQ(timers.pending(), 1u);
  key_down(0x3F, false, true);
  EXPECT_EQ(piano.state.metronome_on, 0u);
  EXPECT_EQ(timers.pending(), 0u);

  key_down(0x3D);  // F3 starts a replay, its repeat stops it
  EXPECT_NE(piano.state.replaying, 0);
  key_down(0x3D, false, true);
  EXPECT_EQ(piano.state.replaying, 0);
  view.take();

  const auto path = std::filesystem::temp_directory_path() / "tastarion-dispatcher-test.mid";
  view.save_answer = path.string();
  key_down(0x3C);  // F2 starts a recording
  EXPECT_NE(piano.state.recording, 0u);
  key_down(0x3C, false, true);  // and its repeat stops and saves it
  EXPECT_EQ(piano.state.recording, 0u);
  EXPECT_THAT(view.take(), ::testing::Contains("save dialog"));
  EXPECT_TRUE(std::filesystem::exists(path));
  std::filesystem::remove(path);
}

TEST_F(DispatcherTest, F1AndTheMenuShowTheSameHelpBox) {
  key_down(0x3B);
  key_down(0x3B, false, true);
  EXPECT_THAT(view.take(), ElementsAre(kHelpBox, kHelpBox));
  dispatch(MenuCommand{kHelpCommand});
  EXPECT_THAT(view.take(), ElementsAre(kHelpBox));
  EXPECT_THAT(midi.messages(), IsEmpty());
}

TEST_F(DispatcherTest, FirstPressOfACommandKeyGoesOnToTheNotePathAndSoundsNothing) {
  // The up key's first press is a note-path press of a key that is no piano key:
  // nothing sent, no slot taken, no mark; a piano key pressed with it plays as usual.
  key_down(0x48, true);
  key_down(kC);
  EXPECT_THAT(sent(), ElementsAre(pack_message(0x90, 48, 108)));
  EXPECT_EQ(piano.state.voice_slots.busy_count(), 1);
  key_up(0x48, true);
  EXPECT_THAT(sent(), IsEmpty());
  EXPECT_THAT(view.take(), ElementsAre("volume slider 9", "mark on 48"));
}

TEST_F(DispatcherTest, AutoRepeatOfAPianoKeyPlaysNothingMore) {
  key_down(kC);
  key_down(kC, false, true);
  key_down(kC, false, true);
  key_up(kC);
  EXPECT_THAT(sent(), ElementsAre(pack_message(0x90, 48, 96), pack_message(0x90, 48, 0)));
}

TEST_F(DispatcherTest, PauseEndsTheProgramAndNothingMore) {
  key_down(kC);
  midi.clear();
  view.take();
  key_down(0x45);
  EXPECT_THAT(window.take(), ElementsAre("close"));
  EXPECT_THAT(midi.messages(), IsEmpty());
  EXPECT_THAT(view.take(), IsEmpty());
  EXPECT_EQ(piano.state.volume, 8);
}

TEST_F(DispatcherTest, NumLockDoesNotEndTheProgramNorLoseARecording) {
  const auto path = std::filesystem::temp_directory_path() / "tastarion-numlock-test.mid";
  view.save_answer = path.string();
  key_down(0x3C);  // F2
  key_down(0x45, true);
  key_down(0x45, true, true);
  key_up(0x45, true);
  EXPECT_THAT(window.take(), IsEmpty());
  EXPECT_NE(piano.state.recording, 0u);
  EXPECT_THAT(midi.messages(), IsEmpty());
}

TEST_F(DispatcherTest, MenuItemsAndTheRightButton) {
  window.menu_choice = 0;  // closed without a choice
  dispatch(RightButtonDown{300, 90});
  EXPECT_THAT(window.take(), ElementsAre("menu at 300,90"));
  EXPECT_THAT(view.take(), IsEmpty());

  window.menu_choice = kHelpCommand;
  dispatch(RightButtonDown{5, 60});
  EXPECT_THAT(window.take(), ElementsAre("menu at 5,60"));
  EXPECT_THAT(view.take(), ElementsAre(kHelpBox));

  window.menu_choice = kExitCommand;
  dispatch(RightButtonDown{600, 120});
  EXPECT_THAT(window.take(), ElementsAre("menu at 600,120", "close"));

  dispatch(MenuCommand{kExitCommand});
  EXPECT_THAT(window.take(), ElementsAre("close"));
  dispatch(MenuCommand{100});  // a list's id is no menu item
  EXPECT_THAT(window.take(), IsEmpty());
  EXPECT_THAT(view.take(), IsEmpty());
}

TEST_F(DispatcherTest, ControlNotificationsCallTheChangesAndGiveTheFocusBack) {
  dispatch(SliderMoved{Slider::volume, 3});
  EXPECT_EQ(play_c(), pack_message(0x90, 48, 36));
  dispatch(SliderMoved{Slider::pitch, 50});
  EXPECT_EQ(sent(), on_all_channels(0xE0, 0, 80));
  dispatch(SliderMoved{Slider::mm_speed, 90});
  EXPECT_EQ(piano.state.mm_speed, 90);
  dispatch(ListSelected{List::transpose, 5});  // "+G"
  EXPECT_EQ(play_c(), pack_message(0x90, 55, 36));
  dispatch(ListSelected{List::instrument, 8});  // "73 Flute"
  EXPECT_EQ(sent(), on_all_channels(0xC0, 73));
  dispatch(ListSelected{List::device, 2});
  EXPECT_EQ(midi.open_device(), 2);
  dispatch(ControlDone{});
  EXPECT_THAT(window.take(),
              ElementsAre("focus", "focus", "focus", "focus", "focus", "focus", "focus"));
  // The controls already show these values: nothing moves them back.
  EXPECT_THAT(view.take(), ::testing::Not(::testing::Contains(::testing::HasSubstr("slider"))));
}

TEST_F(DispatcherTest, KeyboardLostReleasesEveryHeldKey) {
  key_down(kC);
  key_down(0x2F);  // V
  midi.clear();
  view.take();
  dispatch(KeyboardLost{});
  EXPECT_THAT(sent(), ::testing::UnorderedElementsAre(pack_message(0x90, 48, 0),
                                                      pack_message(0x91, 50, 0)));
  EXPECT_THAT(view.take(), ::testing::UnorderedElementsAre("mark off 48", "mark off 50"));
  EXPECT_EQ(piano.state.voice_slots.busy_count(), 0);
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

TEST(HelpDocument, HasItsShape) {
  const auto lines = lines_of(help_document);
  ASSERT_EQ(lines.size(), 44u);
  EXPECT_NE(help_document.back(), '\n');
  EXPECT_TRUE(std::all_of(help_document.begin(), help_document.end(),
                          [](char c) { return c == '\n' || (c >= 0x20 && c < 0x7F); }));
  EXPECT_EQ(help_document.find('\r'), std::string_view::npos);

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

TEST(HelpDocument, NamesTheKeysThatDoTheJobAndTheRealPlatform) {
  const std::string text(help_document);
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
