#include "recorder/replayer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fixture/piano_fixture.h"
#include "recorder/event_buffer.h"

namespace tastarion::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Rec {
  uint32_t delta;
  uint8_t status;
  uint8_t note;
  uint8_t velocity;
};

class ReplayerTest : public PianoTest {
 protected:
  // Writes the records from offset 22 on into the take's memory, closed by the
  // end record: takes that no keyboard records.
  void load(const std::vector<Rec>& records) {
    uint8_t* at = take.data() + EventBuffer::kFirstRecord;
    for (const Rec& r : records) {
      EventRecord bytes = encode_event_record(r.delta, r.status, r.note, r.velocity);
      at = std::copy(bytes.begin(), bytes.end(), at);
    }
    EventRecord end = encode_event_record(0, 0xFF, 0x2F, 0x00);
    std::copy(end.begin(), end.end(), at);
  }

  // Runs the timers up to `ms` after the start and returns the messages sent since
  // the last call.
  std::vector<ShortMessage> until(double ms) {
    timers.advance_to(static_cast<Micros>(ms * 1000));
    auto all = midi.messages();
    std::vector<ShortMessage> fresh(all.begin() + seen_, all.end());
    seen_ = all.size();
    return fresh;
  }

  bool replaying() { return view.current_status() == PianoStatus::replaying; }

  size_t seen_ = 0;
};

// Note 60 pressed 5 s after F2, released 250 ms later.
const std::vector<Rec> kWorkedExample = {{5000, 0x90, 0x3C, 0x60}, {250, 0x90, 0x3C, 0x00}};

TEST_F(ReplayerTest, WorkedExampleKeepsTheRecordedGapsAndEnds) {
  load(kWorkedExample);
  piano.toggle_replay();
  EXPECT_THAT(view.take(), ElementsAre("status replaying"));

  EXPECT_THAT(until(9.999), IsEmpty());
  EXPECT_THAT(until(10), ElementsAre(ShortMessage::note_on(0, 60, 96)));
  EXPECT_THAT(view.take(), ElementsAre("mark on 60"));
  EXPECT_THAT(until(259.999), IsEmpty());
  EXPECT_THAT(until(260), ElementsAre(ShortMessage::note_off(0, 60)));
  EXPECT_THAT(view.take(), ElementsAre("mark off 60"));
  EXPECT_TRUE(replaying());
  EXPECT_THAT(until(269.999), IsEmpty());
  EXPECT_THAT(view.take(), IsEmpty());

  EXPECT_THAT(until(270), IsEmpty());
  EXPECT_THAT(view.take(), ElementsAre("status idle"));
  EXPECT_FALSE(replaying());
  EXPECT_EQ(timers.pending(), 0u);
}

TEST_F(ReplayerTest, EmptyRecordingEndsAtTheFirstStep) {
  // The buffer as start-up leaves it: the template's end record with zero delta bytes.
  piano.toggle_replay();
  EXPECT_THAT(until(9.999), IsEmpty());
  EXPECT_TRUE(replaying());
  until(10);
  EXPECT_THAT(view.take(), ElementsAre("status replaying", "status idle"));
  EXPECT_FALSE(replaying());
  EXPECT_EQ(timers.pending(), 0u);
  EXPECT_TRUE(midi.messages().empty());
}

// Record C, V, C and save; hold C and press F3: the replay's C is a second
// note, on a channel of its own. Its note-off ends only its own note, the mark
// stays while the key is down, and the key's release ends the key's note once.
TEST_F(ReplayerTest, AReplayedNoteAndAHeldKeyAreTwoNotes) {
  load({{0, 0x90, 48, 96},
        {100, 0x91, 50, 96},
        {100, 0x90, 48, 0},
        {0, 0x91, 50, 0},
        {100, 0x90, 48, 96},
        {100, 0x90, 48, 0}});
  press(0x2E);  // C: channel 1
  EXPECT_THAT(until(0), ElementsAre(ShortMessage::note_on(0, 48, 96)));
  piano.toggle_replay();
  EXPECT_THAT(until(510),
              ElementsAre(ShortMessage::note_on(1, 48, 96), ShortMessage::note_on(2, 50, 96),
                          ShortMessage::note_off(1, 48), ShortMessage::note_off(2, 50),
                          ShortMessage::note_on(1, 48, 96), ShortMessage::note_off(1, 48)));
  // A key pressed meanwhile takes none of the replay's channels.
  EXPECT_THAT(view.take(), ElementsAre("mark on 48", "status replaying", "mark on 50",
                                       "mark off 50", "status idle"));
  release(0x2E);
  EXPECT_THAT(until(520), ElementsAre(ShortMessage::note_off(0, 48)));
  EXPECT_THAT(view.take(), ElementsAre("mark off 48"));
}

// A replay stopped while a key is held: the replay's notes go off on their own
// channels and the key's note and mark stay, and no key takes a channel the
// replay holds.
TEST_F(ReplayerTest, TheEndLeavesAHeldKeysNoteAndMarkAlone) {
  load({{0, 0x90, 48, 96}, {0, 0x91, 50, 96}, {0, 0x92, 50, 96}});
  piano.toggle_replay();
  until(35);
  press(0x2E);  // C (48): the first channel the replay leaves free
  EXPECT_THAT(until(35), ElementsAre(ShortMessage::note_on(3, 48, 96)));
  view.take();
  piano.toggle_replay();
  EXPECT_THAT(until(45), ElementsAre(ShortMessage::note_off(0, 48), ShortMessage::note_off(1, 50),
                                     ShortMessage::note_off(2, 50)));
  EXPECT_THAT(view.take(), ElementsAre("mark off 50", "status idle"));
  press(0x2F);  // V: the replay's channels are free again
  EXPECT_THAT(until(50), ElementsAre(ShortMessage::note_on(0, 50, 96)));
  release(0x2E);
  EXPECT_THAT(until(50), ElementsAre(ShortMessage::note_off(3, 48)));
}

TEST_F(ReplayerTest, F3AgainStopsAtOnceAndAThirdStartsFromTheTop) {
  load({{0, 0x90, 48, 96}, {100, 0x91, 52, 96}, {100, 0x90, 48, 0}, {100, 0x91, 52, 0}});
  piano.toggle_replay();
  EXPECT_THAT(until(115),
              ElementsAre(ShortMessage::note_on(0, 48, 96), ShortMessage::note_on(1, 52, 96)));
  view.take();

  timers.advance_to(115'000);
  piano.toggle_replay();
  EXPECT_FALSE(replaying());
  EXPECT_EQ(timers.pending(), 0u);
  // The two notes left on are switched off, their marks erased, the title reset.
  EXPECT_THAT(until(115),
              ElementsAre(ShortMessage::note_off(0, 48), ShortMessage::note_off(1, 52)));
  EXPECT_THAT(view.take(), ElementsAre("mark off 48", "mark off 52", "status idle"));
  EXPECT_THAT(until(1000), IsEmpty());

  piano.toggle_replay();
  EXPECT_THAT(until(1009.999), IsEmpty());
  EXPECT_THAT(until(1010), ElementsAre(ShortMessage::note_on(0, 48, 96)));
  EXPECT_THAT(view.take(), ElementsAre("status replaying", "mark on 48"));
}

TEST_F(ReplayerTest, RefusedWhileRecording) {
  piano.start_recording();
  view.take();
  piano.toggle_replay();
  EXPECT_FALSE(replaying());
  EXPECT_EQ(timers.set_calls, 0);
  EXPECT_THAT(view.take(), IsEmpty());
}

TEST_F(ReplayerTest, StartingARecordingStopsTheReplayAndSilencesIt) {
  load({{0, 0x92, 64, 96}, {300, 0x92, 64, 0}});
  piano.toggle_replay();
  EXPECT_THAT(until(100), ElementsAre(ShortMessage::note_on(2, 64, 96)));
  view.take();

  piano.start_recording();
  EXPECT_FALSE(replaying());
  EXPECT_EQ(timers.pending(), 0u);
  EXPECT_THAT(until(100), ElementsAre(ShortMessage::note_off(2, 64)));
  EXPECT_THAT(view.take(), ::testing::Contains("mark off 64"));
  // The replay's pending step is gone: the recording owns the buffer now.
  EXPECT_THAT(until(1000), IsEmpty());
}

// A note-off for a note the replay never started could only end someone
// else's note: it is not sent.
TEST_F(ReplayerTest, ANoteOffForNoNoteOfTheReplayIsNotSent) {
  load({{0, 0x93, 55, 0}});
  press(0x2E);
  until(0);
  piano.toggle_replay();
  EXPECT_THAT(until(10), IsEmpty());
  EXPECT_THAT(view.take(), ElementsAre("mark on 48", "status replaying"));
}

TEST_F(ReplayerTest, MarksFollowTheRecordedNotesAndSkipThoseOffTheKeyboard) {
  // Made with the transposition +12: key 48 sounded as 60, key 85 as 97.
  // Then notes below and above the keyboard as another recording might hold.
  load({{0, 0x90, 60, 96},
        {0, 0x91, 97, 96},
        {0, 0x92, 42, 96},
        {0, 0x93, 43, 96},
        {0, 0x94, 85, 96},
        {0, 0x95, 86, 96}});
  piano.toggle_replay();
  EXPECT_THAT(until(60),
              ElementsAre(ShortMessage::note_on(0, 60, 96), ShortMessage::note_on(1, 97, 96),
                          ShortMessage::note_on(2, 42, 96), ShortMessage::note_on(3, 43, 96),
                          ShortMessage::note_on(4, 85, 96), ShortMessage::note_on(5, 86, 96)));
  EXPECT_THAT(view.take(),
              ElementsAre("status replaying", "mark on 60", "mark on 43", "mark on 85"));
  // All six were left on: the end switches them off, marks only where drawn.
  EXPECT_THAT(until(70), ElementsAre(ShortMessage::note_off(0, 60), ShortMessage::note_off(1, 97),
                                     ShortMessage::note_off(2, 42), ShortMessage::note_off(3, 43),
                                     ShortMessage::note_off(4, 85), ShortMessage::note_off(5, 86)));
  EXPECT_THAT(view.take(), ElementsAre("mark off 60", "mark off 43", "mark off 85", "status idle"));
}

TEST_F(ReplayerTest, StepsKeepTheMinimumGap) {
  // A chord played 3 ms apart, then a note 250 ms later.
  load({{0, 0x90, 60, 96}, {3, 0x91, 64, 96}, {0, 0x92, 67, 96}, {250, 0x90, 60, 0}});
  piano.toggle_replay();
  EXPECT_THAT(until(10), ElementsAre(ShortMessage::note_on(0, 60, 96)));
  EXPECT_THAT(until(19.999), IsEmpty());
  EXPECT_THAT(until(20), ElementsAre(ShortMessage::note_on(1, 64, 96)));
  EXPECT_THAT(until(30), ElementsAre(ShortMessage::note_on(2, 67, 96)));
  EXPECT_THAT(until(279.999), IsEmpty());
  EXPECT_THAT(until(280), ElementsAre(ShortMessage::note_off(0, 60)));
}

TEST_F(ReplayerTest, ALeftOverNoteIsSilencedAtTheEnd) {
  // A key still held when the recording was stopped; a note-off naming another
  // note than its note-on (transposition changed while the key was held).
  load({{0, 0x90, 50, 96}, {0, 0x91, 60, 96}, {20, 0x91, 62, 0}});
  piano.toggle_replay();
  until(40);
  view.take();
  EXPECT_THAT(until(50), ElementsAre(ShortMessage::note_off(0, 50), ShortMessage::note_off(1, 60)));
  EXPECT_THAT(view.take(), ElementsAre("mark off 50", "mark off 60", "status idle"));
}

// A timer service that delivers one chosen step late.
class LateTimerService : public FakeTimerService {
 public:
  TimerId set_oneshot_at(Micros due, Routine routine) override {
    due += (++sets == late_set) ? lateness : 0;
    return FakeTimerService::set_oneshot_at(due, std::move(routine));
  }
  int sets = 0;
  int late_set = 0;
  Micros lateness = 0;
};

// The replayer alone on a buffer written by hand, for what no recording and
// no file leaves there; every recorded channel is free to play on.
class BareReplayer : public HeldKeys, public ReplayListener {
 public:
  explicit BareReplayer(TimerService& timers) : replayer(timers, port, buffer, *this, *this) {
    EXPECT_TRUE(buffer.allocate());
    EXPECT_TRUE(port.switch_to(0).ok());
    midi.clear();
  }
  int take_replay_channel(int wanted) override { return wanted; }
  void give_back_replay_channel(int) override {}
  void replayed_note(bool, uint8_t) override {}
  void replay_finished() override {}

  // Writes the records one after another from the first record's place.
  void write(const std::vector<EventRecord>& records) {
    uint8_t* at = buffer.data() + EventBuffer::kFirstRecord;
    for (const EventRecord& record : records) {
      at = std::copy(record.begin(), record.end(), at);
    }
  }

  FakeMidi midi;
  MidiPort port{midi};
  EventBuffer buffer;
  Replayer replayer;
};

TEST(ReplayerTimeline, ALateStepDoesNotDelayTheLaterOnes) {
  LateTimerService timers;
  BareReplayer bare(timers);
  std::vector<EventRecord> take;
  for (int n = 0; n < 4; ++n) take.push_back(encode_event_record(100, 0x90, 60 + n, 96));
  take.push_back(encode_event_record(0, 0xFF, 0x2F, 0));
  bare.write(take);

  timers.late_set = 2;  // the second step comes 70 ms late
  timers.lateness = 70'000;
  bare.replayer.start_replay();
  auto sent_by = [&](Micros t) {
    timers.advance_to(t);
    return bare.midi.messages().size();
  };
  EXPECT_EQ(sent_by(10'000), 1u);
  EXPECT_EQ(sent_by(179'999), 1u);
  EXPECT_EQ(sent_by(180'000), 2u);
  // On the recording's timeline again: 210 and 310 ms after F3.
  EXPECT_EQ(sent_by(209'999), 2u);
  EXPECT_EQ(sent_by(210'000), 3u);
  EXPECT_EQ(sent_by(309'999), 3u);
  EXPECT_EQ(sent_by(310'000), 4u);
}

TEST(ReplayerBuffer, ARecordingWithoutItsEndStopsAtTheEndOfTheBuffer) {
  FakeTimerService timers;
  BareReplayer bare(timers);
  std::vector<EventRecord> take;
  for (uint32_t at = EventBuffer::kFirstRecord; at + 7 <= EventBuffer::kSize; at += 7) {
    const bool on = (at - EventBuffer::kFirstRecord) / 7 % 2 == 0;
    take.push_back(encode_event_record(0, 0x90, 20, on ? 96 : 0));
  }
  bare.write(take);
  bare.replayer.start_replay();
  timers.advance_to(Micros{10'000 * 10 + 20} * 1000);
  EXPECT_EQ(bare.midi.messages().size(), 10'000u);
  EXPECT_FALSE(bare.replayer.replaying());
  EXPECT_EQ(timers.pending(), 0u);
}

TEST(ReplayerBuffer, DeltasIgnoreContinuationBits) {
  const uint8_t records[][7] = {{0x00, 0x00, 0x00, 0x00, 0x90, 60, 0},
                                {0x80, 0x80, 0x80, 0x00, 0x90, 60, 0},
                                {0x80, 0x80, 0x81, 0x7A, 0x90, 60, 0},
                                {0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 0}};
  EXPECT_EQ(decode_delta(records[0]), 0u);
  EXPECT_EQ(decode_delta(records[1]), 0u);
  EXPECT_EQ(decode_delta(records[2]), 250u);
  EXPECT_EQ(decode_delta(records[3]), 268'435'455u);
}

}  // namespace
}  // namespace tastarion::testing
