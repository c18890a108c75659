#include "recorder/recorder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fixture/piano_fixture.h"
#include "fixture/recorder_rig.h"
#include "recorder/event_buffer.h"

namespace tastarion::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr uint8_t kScanC = 0x2E;  // the C key, note 48

class RecorderTest : public ::testing::Test, public RecorderRig {};

// The piano's keys recorded, and the take saved where the dialog says.
class RecordingKeysTest : public PianoTest {
 protected:
  RecordingKeysTest() {
    char pattern[] = "/tmp/tastarion-recorder-XXXXXX";
    dir = mkdtemp(pattern);
    view.save_answer = dir + "/take.mid";
  }
  ~RecordingKeysTest() override { std::filesystem::remove_all(dir); }

  std::vector<uint8_t> record_at(uint32_t offset) const {
    const uint8_t* p = take.data() + offset;
    return {p, p + EventBuffer::kRecordSize};
  }
  // The saved file's size: the take's records, the end record and the tempo
  // event after the 22 header bytes.
  uintmax_t saved_size() const { return std::filesystem::file_size(dir + "/take.mid"); }

  std::vector<std::string>& lines = trace;
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
  recorder.start_recording();
  uint32_t now = 0;
  uint32_t offset = EventBuffer::kFirstRecord;
  for (const Case& c : cases) {
    lines.clear();
    now += c.delta;
    note(now, true, 0, 60, 96);
    std::vector<uint8_t> expected = c.bytes;
    expected.insert(expected.end(), {0x90, 0x3C, 0x60});
    EXPECT_EQ(record_at(offset), expected) << c.delta;
    EXPECT_EQ(decode_delta(take.data() + offset), c.delta & 0x0FFFFFFF);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], c.trace);
    offset += EventBuffer::kRecordSize;
  }
  EXPECT_EQ(recorder.event_cursor(), offset);
}

TEST_F(RecorderTest, ClockWrapBetweenTwoEventsGivesTheTrueDelta) {
  clock.now_ms = 0xFFFFFF00;
  recorder.start_recording();
  note(0x00000010, true, 3, 50, 60);
  EXPECT_EQ(record_at(22), (std::vector<uint8_t>{0x80, 0x80, 0x82, 0x10, 0x93, 0x32, 0x3C}));
  EXPECT_EQ(lines[0], "on ch=3 time=110\n");
}

TEST_F(RecorderTest, TimeSpentWritingARecordCountsInNoDelta) {
  clock.step = 3;              // every reading of the clock costs 3 ms
  recorder.start_recording();  // reads 0
  note(1000, true, 0, 60, 96);
  note(1253, false, 0, 60, 0);  // 250 ms after the record was finished at 1003
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "on ch=0 time=3E8\n", "delta=3E8, stat=90, pitch=3C, vol=60\n",
                       "off ch=0 time=FA\n", "delta=FA, stat=90, pitch=3C, vol=0\n"}));
}

TEST_F(RecorderTest, NothingIsRecordedOutsideARecording) {
  note(100, true, 0, 48, 96);
  EXPECT_EQ(recorder.event_cursor(), EventBuffer::kFirstRecord);
  EXPECT_TRUE(std::equal(smf_template.begin(), smf_template.end(), take.data()));
  EXPECT_TRUE(lines.empty());
}

TEST_F(RecordingKeysTest, NothingIsRecordedForF2) {
  // F2's own press and release, held while the recording starts.
  key_down(0x3C);
  key_up(0x3C);
  EXPECT_EQ(view.current_status(), PianoStatus::recording);
  EXPECT_TRUE(lines.empty());
  key_down(0x3C);
  EXPECT_EQ(saved_size(), 36u);  // the empty take
}

TEST_F(RecordingKeysTest, HeldF2TogglesAtEachRepeat) {
  piano.toggle_recording();
  piano.toggle_recording();
  piano.toggle_recording();
  EXPECT_THAT(view.take(),
              ElementsAre("status recording", "save dialog", "status none", "status recording"));
  EXPECT_EQ(saved_size(), 36u);
}

TEST_F(RecordingKeysTest, KeysAreRecordedWithTheNoteTheySent) {
  constexpr uint8_t kLowestKey = 0x2A, kHighestKey = 0x0E;  // notes 43 and 85
  piano.toggle_recording();
  piano.change_transpose(-12);
  piano.note_key_down(key_press(kLowestKey));
  piano.change_transpose(12);
  piano.note_key_down(key_press(kHighestKey));
  // Released after a change of transposition: the note-off names the note that sounds.
  piano.note_key_up(key_release(kLowestKey));
  EXPECT_EQ(record_at(22), (std::vector<uint8_t>{0x80, 0x80, 0x80, 0x00, 0x90, 0x1F, 0x60}));
  EXPECT_EQ(record_at(29), (std::vector<uint8_t>{0x80, 0x80, 0x80, 0x00, 0x91, 0x61, 0x60}));
  EXPECT_EQ(record_at(36), (std::vector<uint8_t>{0x80, 0x80, 0x80, 0x00, 0x90, 0x1F, 0x00}));
  EXPECT_EQ(lines[1], "delta=0, stat=90, pitch=1F, vol=60\n");
  EXPECT_EQ(lines[3], "delta=0, stat=91, pitch=61, vol=60\n");
  EXPECT_EQ(lines[4], "off ch=0 time=0\n");
}

TEST_F(RecorderTest, AFullRecordingEndsTheNotesItLeftSounding) {
  recorder.start_recording();
  uint32_t t = 0;
  note(t += 5, true, 3, 64, 96);  // held through to the end
  note(t += 5, true, 4, 67, 96);
  for (uint32_t i = 0; i < 9994; ++i) note(t += 5, i % 2 == 0, 0, 60, i % 2 == 0 ? 96 : 0);
  EXPECT_FALSE(recorder.full());
  EXPECT_EQ(recorder.event_cursor(), EventBuffer::kFirstRecord + 9996 * 7);

  // This press would leave no room for its note-off and the two held ones'.
  note(t += 5, true, 0, 60, 96);
  EXPECT_TRUE(recorder.full());
  const uint32_t full = EventBuffer::kFirstRecord + 9998 * 7;
  EXPECT_EQ(recorder.event_cursor(), full);
  EXPECT_EQ(record_at(full - 14), (std::vector<uint8_t>{0x80, 0x80, 0x80, 0x05, 0x93, 0x40, 0x00}));
  EXPECT_EQ(record_at(full - 7), (std::vector<uint8_t>{0x80, 0x80, 0x80, 0x00, 0x94, 0x43, 0x00}));
  size_t lines_when_full = lines.size();
  note(t += 5, false, 3, 64, 0);
  note(t += 5, true, 2, 67, 96);
  EXPECT_EQ(lines.size(), lines_when_full);
  EXPECT_EQ(recorder.event_cursor(), full);

  EXPECT_EQ(recorder.stop_recording().size(), full + 7);
  EXPECT_EQ(record_at(full), (std::vector<uint8_t>{0x80, 0x80, 0x80, 0x00, 0xFF, 0x2F, 0x00}));

  // The next recording starts empty and records again.
  recorder.start_recording();
  note(t += 5, true, 0, 60, 96);
  EXPECT_EQ(recorder.event_cursor(), EventBuffer::kFirstRecord + 7);
}

TEST_F(RecordingKeysTest, TheStatusTellsARecordingFilledByTheKeys) {
  piano.toggle_recording();
  uint32_t t = 0;
  // Key C on channel 0, pressed and released: 9,998 note messages.
  for (uint32_t i = 0; i < EventBuffer::kMaxNoteRecords - 1; ++i) {
    clock.now_ms = t += 5;
    if (i % 2 == 0) {
      press(kScanC);
    } else {
      release(kScanC);
    }
  }
  EXPECT_EQ(view.current_status(), PianoStatus::recording);
  clock.now_ms = t += 5;
  press(0x2F);  // V would leave no room for its note-off
  EXPECT_EQ(view.current_status(), PianoStatus::recording_full);
  piano.toggle_recording();
  EXPECT_EQ(saved_size(), EventBuffer::kFirstRecord + 9998 * 7 + 14);
  EXPECT_EQ(view.current_status(), PianoStatus::none);
  piano.toggle_recording();
  EXPECT_EQ(view.current_status(), PianoStatus::recording);
}

// 9,999 note messages and the end record fill the block to its last whole
// record: the 9,999th is taken, the 10,000th is not, and the file ends with the
// end record at byte 70,022 (70,029 with the tempo event).
TEST_F(RecorderTest, ExactlyNineThousandNineHundredNinetyNineNotesFit) {
  recorder.start_recording();
  uint32_t t = 0;
  note(t += 5, true, 1, 62, 0);  // a press at volume 0 opens no note
  for (uint32_t i = 0; i < 9998; ++i) note(t += 5, i % 2 == 0, 0, 60, i % 2 == 0 ? 96 : 0);
  EXPECT_EQ(recorder.recorded_notes(), 9999u);
  EXPECT_TRUE(recorder.full());
  note(t += 5, true, 2, 64, 0);
  EXPECT_EQ(recorder.recorded_notes(), 9999u);
  EXPECT_EQ(recorder.stop_recording().size(), 70022u);
  EXPECT_EQ(record_at(70022 - 7), (std::vector<uint8_t>{0x80, 0x80, 0x80, 0x00, 0xFF, 0x2F, 0x00}));
}

// A key held down when the recording starts: its release has no press in the
// take, so it is left out; a key pressed during the take is recorded whole.
TEST_F(RecordingKeysTest, ReleasesOfKeysHeldBeforeTheStartAreLeftOut) {
  press(kScanC);
  piano.toggle_recording();
  clock.now_ms = 100;
  release(kScanC);
  clock.now_ms = 200;
  press(0x2F);
  clock.now_ms = 300;
  release(0x2F);
  piano.toggle_recording();
  EXPECT_EQ(saved_size(), 36u + 2 * 7);  // V's press and release
  EXPECT_EQ(record_at(EventBuffer::kFirstRecord),
            (std::vector<uint8_t>{0x80, 0x80, 0x81, 0x48, 0x90, 50, 96}));
  EXPECT_EQ(record_at(EventBuffer::kFirstRecord + 7),
            (std::vector<uint8_t>{0x80, 0x80, 0x80, 100, 0x90, 50, 0}));
}

}  // namespace
}  // namespace tastarion::testing
