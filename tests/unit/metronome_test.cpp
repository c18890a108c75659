#include "timing/metronome.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_midi.h"
#include "fakes/fake_timer_service.h"
#include "fakes/recording_view.h"

namespace tastarion {
namespace {

using ::testing::ElementsAre;
using testing::FakeClock;
using testing::FakeMidi;
using testing::FakeTimerService;
using ::testing::IsEmpty;
using testing::RecordingView;

constexpr ShortMessage kClickAtVolume8 = 0x603899;

class MetronomeTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(piano.midi_out.switch_to(0)); }

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

  FakeMidi midi;
  FakeTimerService timers;
  FakeClock clock;
  RecordingView view;
  Piano piano{midi, timers, clock, view, [](std::string_view) {}};
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
  toggle_metronome(piano);
  EXPECT_THAT(until(999.999), IsEmpty());
  EXPECT_THAT(until(1000), ElementsAre(kClickAtVolume8));
  EXPECT_TRUE(clicks_at(2000));
  EXPECT_TRUE(clicks_at(3000));
  toggle_metronome(piano);
  EXPECT_EQ(piano.state.metronome_on, 0u);
  EXPECT_THAT(until(10'000), IsEmpty());
  EXPECT_EQ(timers.pending(), 0u);
}

TEST_F(MetronomeTest, ClicksComeAtThePeriodOfTheSpeed) {
  for (int speed : {240, 70, 30}) {
    change_mm_speed(piano, speed);
    const double start = timers.now() / 1000.0;
    toggle_metronome(piano);
    const double period = metronome_period_ms(speed);
    EXPECT_TRUE(clicks_at(start + period)) << speed;
    EXPECT_TRUE(clicks_at(start + 2 * period)) << speed;
    toggle_metronome(piano);
  }
}

TEST_F(MetronomeTest, EachClickTakesTheVolumeOfItsMoment) {
  toggle_metronome(piano);
  piano.state.volume = 10;
  EXPECT_THAT(until(1000), ElementsAre(0x783899u));
  piano.state.volume = 0;  // velocity 0: the metronome runs silently
  EXPECT_THAT(until(2000), ElementsAre(0x003899u));
}

TEST_F(MetronomeTest, ASpeedChangeWhileRunningRestartsAFullNewPeriod) {
  toggle_metronome(piano);
  at(700);
  change_mm_speed(piano, 120);
  EXPECT_EQ(piano.state.mm_speed, 120);
  EXPECT_TRUE(clicks_at(1200));
  EXPECT_TRUE(clicks_at(1700));
  // The same value again still restarts, as every slider notification does.
  at(1900);
  change_mm_speed(piano, 120);
  EXPECT_TRUE(clicks_at(2400));
  EXPECT_EQ(timers.pending(), 1u);
}

TEST_F(MetronomeTest, ASpeedChangeWhileOffStartsNothing) {
  change_mm_speed(piano, 200);
  step_mm_speed(piano, +1);
  EXPECT_EQ(piano.state.mm_speed, 201);
  EXPECT_EQ(timers.pending(), 0u);
  EXPECT_THAT(until(5000), IsEmpty());
  toggle_metronome(piano);
  EXPECT_TRUE(clicks_at(5000 + 60000 / 201));
}

TEST_F(MetronomeTest, StepsMoveTheSliderAndRestart) {
  toggle_metronome(piano);
  at(500);
  step_mm_speed(piano, +1);
  EXPECT_THAT(view.take(), ElementsAre("mm slider 61"));
  EXPECT_TRUE(clicks_at(500 + 983));
  at(1600);
  step_mm_speed(piano, -1);
  EXPECT_THAT(view.take(), ElementsAre("mm slider 60"));
  EXPECT_TRUE(clicks_at(2600));
}

TEST_F(MetronomeTest, StepsStopAtTheLimitsWithoutDisturbingTheClicks) {
  change_mm_speed(piano, 30);
  toggle_metronome(piano);
  at(1500);
  const int sets = timers.set_calls;
  const int kills = timers.kill_calls;
  step_mm_speed(piano, -1);
  EXPECT_EQ(piano.state.mm_speed, 30);
  EXPECT_THAT(view.take(), IsEmpty());
  EXPECT_EQ(timers.set_calls, sets);
  EXPECT_EQ(timers.kill_calls, kills);
  EXPECT_TRUE(clicks_at(2000));

  change_mm_speed(piano, 239);
  step_mm_speed(piano, +1);
  EXPECT_THAT(view.take(), ElementsAre("mm slider 240"));
  const int sets_at_top = timers.set_calls;
  step_mm_speed(piano, +1);
  EXPECT_EQ(piano.state.mm_speed, 240);
  EXPECT_THAT(view.take(), IsEmpty());
  EXPECT_EQ(timers.set_calls, sets_at_top);
}

TEST_F(MetronomeTest, HeldStepsPostponeTheClickUntilOnePeriodAfterTheLast) {
  change_mm_speed(piano, 100);
  toggle_metronome(piano);
  // Auto-repeats every 33 ms, faster than any period.
  double t = 0;
  for (int i = 0; i < 20; ++i) {
    t += 33;
    EXPECT_THAT(until(t), IsEmpty());
    step_mm_speed(piano, +1);
  }
  EXPECT_EQ(piano.state.mm_speed, 120);
  EXPECT_TRUE(clicks_at(t + 500));
}

TEST_F(MetronomeTest, OutOfRangeSpeedsAreClamped) {
  change_mm_speed(piano, 0);
  EXPECT_EQ(piano.state.mm_speed, 30);
  change_mm_speed(piano, 1000);
  EXPECT_EQ(piano.state.mm_speed, 240);
}

TEST_F(MetronomeTest, StopMetronomeLeavesNoTimer) {
  toggle_metronome(piano);
  stop_metronome(piano);
  EXPECT_EQ(timers.pending(), 0u);
  EXPECT_EQ(piano.state.metronome_on, 0u);
  EXPECT_THAT(until(5000), IsEmpty());
  stop_metronome(piano);  // a second time, with nothing running
}

}  // namespace
}  // namespace tastarion
