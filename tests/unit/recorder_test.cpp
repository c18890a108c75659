#include "recorder/recorder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/key_map.h"
#include "engine/note_path.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_midi.h"
#include "fakes/fake_timer_service.h"
#include "fakes/recording_view.h"
#include "recorder/event_buffer.h"

namespace tastarion {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FakeClock;
using testing::FakeMidi;
using testing::FakeTimerService;
using testing::RecordingView;

constexpr uint8_t kScanC = 0x2E;  // the C key, note 48

class RecorderTest : public ::testing::Test {
 protected:
  RecorderTest() {
    EXPECT_TRUE(piano.state.event_buffer.allocate());
    char pattern[] = "/tmp/tastarion-recorder-XXXXXX";
    dir = mkdtemp(pattern);
    view.save_answer = dir + "/take.mid";
  }
  ~RecorderTest() override { std::filesystem::remove_all(dir); }

  // A note message of the note path at clock time `at`.
  void note(uint32_t at, bool press, int slot, uint8_t sent_note, uint8_t velocity,
            uint8_t scan_code = kScanC) {
    clock.now_ms = at;
    record_note_event(piano, press, slot, sent_note, velocity, scan_code);
  }
  std::vector<uint8_t> record_at(uint32_t offset) const {
    const uint8_t* p = piano.state.event_buffer.data() + offset;
    return {p, p + EventBuffer::kRecordSize};
  }
  std::string status_title(const std::string& status) const {
    return "title " + std::string(version_line) + "        " + status;
  }

  FakeMidi midi;
  FakeTimerService timers;
  FakeClock clock;
  RecordingView view;
  std::vector<std::string> lines;
  Piano piano{midi, timers, clock, view, [this](std::string_view l) { lines.emplace_back(l); }};
  std::string dir;
};

TEST_F(RecorderTest, DeltasAreStoredAsFourByteQuantitiesModulo2To28) {
  struct Case {
    uint32_t delta;
    std::vector<uint8_t> bytes;
    const char* trace;
  };
  const std::vector<Case> cases = {
      {0, {0x80, 0x80, 0x80, 0x00}, "on ch=0 time=0\n"},
      {127, {0x80, 0x80, 0x80, 0x7F}, "on ch=0 time=7F\n"},
      {128, {0x80, 0x80, 0x81, 0x00}, "on ch=0 time=80\n"},
      {250, {0x80, 0x80, 0x81, 0x7A}, "on ch=0 time=FA\n"},
      {1000, {0x80, 0x80, 0x87, 0x68}, "on ch=0 time=3E8\n"},
      {268435455, {0xFF, 0xFF, 0xFF, 0x7F}, "on ch=0 time=FFFFFFF\n"},
      // 2^28 keeps only its low 28 bits in the file, though the trace shows it whole.
      {268435456, {0x80, 0x80, 0x80, 0x00}, "on ch=0 time=10000000\n"},
  };
  toggle_recording(piano);
  uint32_t now = 0;
  uint32_t offset = EventBuffer::kFirstRecord;
  for (const Case& c : cases) {
    lines.clear();
    now += c.delta;
    note(now, true, 0, 60, 96);
    std::vector<uint8_t> expected = c.bytes;
    expected.insert(expected.end(), {0x90, 0x3C, 0x60});
    EXPECT_EQ(record_at(offset), expected) << c.delta;
    EXPECT_EQ(decode_delta(piano.state.event_buffer.data() + offset), c.delta & 0x0FFFFFFF);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], c.trace);
    offset += EventBuffer::kRecordSize;
  }
  EXPECT_EQ(piano.state.event_cursor, offset);
}

TEST_F(RecorderTest, ClockWrapBetweenTwoEventsGivesTheTrueDelta) {
  clock.now_ms = 0xFFFFFF00;
  toggle_recording(piano);
  note(0x00000010, true, 3, 50, 60);
  EXPECT_EQ(record_at(22), (std::vector<uint8_t>{0x80, 0x80, 0x82, 0x10, 0x93, 0x32, 0x3C}));
  EXPECT_EQ(lines[0], "on ch=3 time=110\n");
}

TEST_F(RecorderTest, TimeSpentWritingARecordCountsInNoDelta) {
  clock.step = 3;           // every reading of the clock costs 3 ms
  toggle_recording(piano);  // reads 0
  note(1000, true, 0, 60, 96);
  note(1253, false, 0, 60, 0);  // 250 ms after the record was finished at 1003
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "on ch=0 time=3E8\n", "delta=3E8, stat=90, pitch=3C, vol=60\n",
                       "off ch=0 time=FA\n", "delta=FA, stat=90, pitch=3C, vol=0\n"}));
}

TEST_F(RecorderTest, NothingIsRecordedOutsideARecordingOrForF2) {
  note(100, true, 0, 48, 96);
  EXPECT_EQ(piano.state.event_cursor, EventBuffer::kFirstRecord);
  EXPECT_TRUE(
      std::equal(smf_template.begin(), smf_template.end(), piano.state.event_buffer.data()));

  toggle_recording(piano);
  note(200, true, 0, 0, 96, kRecordKeyScanCode);
  note(300, false, 0, 0, 0, kRecordKeyScanCode);
  EXPECT_EQ(piano.state.event_cursor, EventBuffer::kFirstRecord);
  EXPECT_TRUE(lines.empty());
}

TEST_F(RecorderTest, HeldF2TogglesAtEachRepeat) {
  toggle_recording(piano);
  toggle_recording(piano);
  toggle_recording(piano);
  EXPECT_NE(piano.state.recording, 0u);
  EXPECT_THAT(view.take(),
              ElementsAre(status_title("[Recording...]"), "save dialog",
                          "title " + std::string(version_line), status_title("[Recording...]")));
  EXPECT_TRUE(std::filesystem::exists(dir + "/take.mid"));
  EXPECT_EQ(piano.state.event_cursor, EventBuffer::kFirstRecord);
}

TEST_F(RecorderTest, KeysAreRecordedWithTheNoteTheySent) {
  constexpr uint8_t kLowestKey = 0x2A, kHighestKey = 0x0E;  // notes 43 and 85
  toggle_recording(piano);
  piano.state.transpose = -12;
  note_key_down(piano, make_key_param(kLowestKey));
  piano.state.transpose = 12;
  note_key_down(piano, make_key_param(kHighestKey));
  // Released after a change of transposition: the note-off names the note that sounds.
  note_key_up(piano, make_key_param(kLowestKey, false, true, true));
  EXPECT_EQ(record_at(22), (std::vector<uint8_t>{0x80, 0x80, 0x80, 0x00, 0x90, 0x1F, 0x60}));
  EXPECT_EQ(record_at(29), (std::vector<uint8_t>{0x80, 0x80, 0x80, 0x00, 0x91, 0x61, 0x60}));
  EXPECT_EQ(record_at(36), (std::vector<uint8_t>{0x80, 0x80, 0x80, 0x00, 0x90, 0x1F, 0x00}));
  EXPECT_EQ(lines[1], "delta=0, stat=90, pitch=1F, vol=60\n");
  EXPECT_EQ(lines[3], "delta=0, stat=91, pitch=61, vol=60\n");
  EXPECT_EQ(lines[4], "off ch=0 time=0\n");
}

TEST_F(RecorderTest, AFullRecordingEndsTheNotesItLeftSounding) {
  toggle_recording(piano);
  uint32_t t = 0;
  note(t += 5, true, 3, 64, 96);  // held through to the end
  note(t += 5, true, 4, 67, 96);
  for (uint32_t i = 0; i < 9994; ++i) note(t += 5, i % 2 == 0, 0, 60, i % 2 == 0 ? 96 : 0);
  EXPECT_EQ(view.current_title(), std::string(version_line) + "        [Recording...]");
  EXPECT_EQ(piano.state.event_cursor, EventBuffer::kFirstRecord + 9996 * 7);

  // This press would leave no room for its note-off and the two held ones'.
  note(t += 5, true, 0, 60, 96);
  EXPECT_EQ(view.current_title(), std::string(version_line) + "        [Recording full]");
  const uint32_t full = EventBuffer::kFirstRecord + 9998 * 7;
  EXPECT_EQ(piano.state.event_cursor, full);
  EXPECT_EQ(record_at(full - 14), (std::vector<uint8_t>{0x80, 0x80, 0x80, 0x05, 0x93, 0x40, 0x00}));
  EXPECT_EQ(record_at(full - 7), (std::vector<uint8_t>{0x80, 0x80, 0x80, 0x00, 0x94, 0x43, 0x00}));
  size_t lines_when_full = lines.size();
  note(t += 5, false, 3, 64, 0);
  note(t += 5, true, 2, 67, 96);
  EXPECT_EQ(lines.size(), lines_when_full);
  EXPECT_EQ(piano.state.event_cursor, full);

  toggle_recording(piano);
  EXPECT_EQ(std::filesystem::file_size(dir + "/take.mid"), full + 7);
  EXPECT_EQ(record_at(full), (std::vector<uint8_t>{0x80, 0x80, 0x80, 0x00, 0xFF, 0x2F, 0x00}));
  EXPECT_EQ(lines.back(), "終了 byte=1117F\n");
  EXPECT_EQ(view.current_title(), std::string(version_line));

  // The next recording starts empty and records again.
  toggle_recording(piano);
  note(t += 5, true, 0, 60, 96);
  EXPECT_EQ(piano.state.event_cursor, EventBuffer::kFirstRecord + 7);
  EXPECT_EQ(view.current_title(), std::string(version_line) + "        [Recording...]");
}

}  // namespace
}  // namespace tastarion
