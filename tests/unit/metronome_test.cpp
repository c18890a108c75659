#include "timing/metronome.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "fixture/piano_fixture.h"

namespace tastarion::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr ShortMessage kClickAtVolume8 = ShortMessage::note_on(9, 0x38, 96);

class MetronomeTest : public PianoTest {
 protected:
  // Clicks sent up to `ms` since the start of the test, since the last call.
  std::vector<ShortMessage> until(double ms) {
    timers.advance_to(static_cast<Micros>(ms * 1000));
    auto all = midi.messages();
    std::vector<ShortMessage> fresh(all.begin() + seen_, all.end());
    seen_ = all.size();
    return fresh;
  }
  void at(double ms) { timers.advance_to(static_cast<Micros>(ms * 1000)); }
  // Whether exactly one click falls at `ms` and none in the millisecond before it.
  bool clicks_at(double ms) { return until(ms - 0.001).empty() && until(ms).size() == 1; }

  size_t seen_ = 0;
};

TEST(MetronomePeriod, IsSixtyThousandOverTheSpeedTruncated) {
  const int speeds[] = {30, 31, 40, 60, 70, 90, 100, 110, 120, 140, 200, 239, 240};
  const uint32_t periods[] = {2000, 1935, 1500, 1000, 857, 666, 600, 545, 500, 428, 300, 251, 250};
  for (size_t i = 0; i < std::size(speeds); ++i) {
    EXPECT_EQ(metronome_period_ms(speeds[i]), periods[i]) << speeds[i];
  }
}

TEST_F(MetronomeTest, F5StartsOnePeriodLaterAndF5AgainStops) {
  piano.toggle_metronome();
  EXPECT_THAT(until(999.999), IsEmpty());
  EXPECT_THAT(until(1000), ElementsAre(kClickAtVolume8));
  EXPECT_TRUE(clicks_at(2000));
  EXPECT_TRUE(clicks_at(3000));
  piano.toggle_metronome();
  EXPECT_THAT(until(10'000), IsEmpty());
  EXPECT_EQ(timers.pending(), 0u);
}

TEST_F(MetronomeTest, ClicksComeAtThePeriodOfTheSpeed) {
  for (int speed : {240, 70, 30}) {
    piano.change_mm_speed(speed);
    const double start = timers.now() / 1000.0;
    piano.toggle_metronome();
    const double period = metronome_period_ms(speed);
    EXPECT_TRUE(clicks_at(start + period)) << speed;
    EXPECT_TRUE(clicks_at(start + 2 * period)) << speed;
    piano.toggle_metronome();
  }
}

TEST_F(MetronomeTest, EachClickTakesTheVolumeOfItsMoment) {
  piano.toggle_metronome();
  piano.change_volume(10);
  EXPECT_THAT(until(1000), ElementsAre(ShortMessage::note_on(9, 56, 120)));
  piano.change_volume(0);  // velocity 0: the metronome runs silently
  EXPECT_THAT(until(2000), ElementsAre(ShortMessage::note_off(9, 56)));
}

TEST_F(MetronomeTest, ASpeedChangeWhileRunningRestartsAFullNewPeriod) {
  piano.toggle_metronome();
  at(700);
  piano.change_mm_speed(120);
  EXPECT_TRUE(clicks_at(1200));
  EXPECT_TRUE(clicks_at(1700));
  // The same value again still restarts, as every slider notification does.
  at(1900);
  piano.change_mm_speed(120);
  EXPECT_TRUE(clicks_at(2400));
  EXPECT_EQ(timers.pending(), 1u);
}

TEST_F(MetronomeTest, ASpeedChangeWhileOffStartsNothing) {
  piano.change_mm_speed(200);
  piano.step_mm_speed(+1);
  EXPECT_EQ(timers.pending(), 0u);
  EXPECT_THAT(until(5000), IsEmpty());
  piano.toggle_metronome();
  EXPECT_TRUE(clicks_at(5000 + 60000 / 201));
}

TEST_F(MetronomeTest, StepsMoveTheSliderAndRestart) {
  piano.toggle_metronome();
  at(500);
  piano.step_mm_speed(+1);
  EXPECT_THAT(view.take(), ElementsAre("mm 61"));
  EXPECT_TRUE(clicks_at(500 + 983));
  at(1600);
  piano.step_mm_speed(-1);
  EXPECT_THAT(view.take(), ElementsAre("mm 60"));
  EXPECT_TRUE(clicks_at(2600));
}

TEST_F(MetronomeTest, StepsStopAtTheLimitsWithoutDisturbingTheClicks) {
  piano.change_mm_speed(30);
  piano.toggle_metronome();
  at(1500);
  const int sets = timers.set_calls;
  const int kills = timers.kill_calls;
  piano.step_mm_speed(-1);
  EXPECT_THAT(view.take(), IsEmpty());
  EXPECT_EQ(timers.set_calls, sets);
  EXPECT_EQ(timers.kill_calls, kills);
  EXPECT_TRUE(clicks_at(2000));

  piano.change_mm_speed(239);
  piano.step_mm_speed(+1);
  EXPECT_THAT(view.take(), ElementsAre("mm 240"));
  const int sets_at_top = timers.set_calls;
  piano.step_mm_speed(+1);
  EXPECT_THAT(view.take(), IsEmpty());
  EXPECT_EQ(timers.set_calls, sets_at_top);
  piano.step_mm_speed(-1);  // one step down from the top
  EXPECT_THAT(view.take(), ElementsAre("mm 239"));
}

TEST_F(MetronomeTest, HeldStepsPostponeTheClickUntilOnePeriodAfterTheLast) {
  piano.change_mm_speed(100);
  piano.toggle_metronome();
  // Auto-repeats every 33 ms, faster than any period.
  double t = 0;
  for (int i = 0; i < 20; ++i) {
    t += 33;
    EXPECT_THAT(until(t), IsEmpty());
    piano.step_mm_speed(+1);
  }
  EXPECT_TRUE(clicks_at(t + 500));
}

TEST_F(MetronomeTest, OutOfRangeSpeedsAreClamped) {
  // A step goes on from the limit the speed was taken to.
  piano.change_mm_speed(0);
  piano.step_mm_speed(+1);
  piano.change_mm_speed(1000);
  piano.step_mm_speed(-1);
  EXPECT_THAT(view.take(), ElementsAre("mm 31", "mm 239"));
}

TEST_F(MetronomeTest, GoingAwayStopsTheClicks) {
  {
    // A port of its own on the same device, which the piano leaves alone meanwhile.
    MidiPort port(midi);
    const SoundSettings settings;
    Metronome metronome(timers, port, settings);
    metronome.toggle_metronome();
    EXPECT_EQ(timers.pending(), 1u);
  }
  EXPECT_EQ(timers.pending(), 0u);
  EXPECT_THAT(until(5000), IsEmpty());
}

TEST_F(MetronomeTest, StopMetronomeLeavesNoTimer) {
  piano.toggle_metronome();
  piano.stop_metronome();
  EXPECT_EQ(timers.pending(), 0u);
  EXPECT_THAT(until(5000), IsEmpty());
  piano.stop_metronome();  // a second time, with nothing running
}

}  // namespace
}  // namespace tastarion::testing
