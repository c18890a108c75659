// The replay and the metronome on the real timer service while the window thread
// switches devices, changes the volume and toggles recording, replay and
// metronome. Meant to run under ThreadSanitizer as well.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "fakes/fake_clock.h"
#include "fakes/fake_midi.h"
#include "fakes/recording_view.h"
#include "fixture/take_file.h"
#include "instrument/piano.h"
#include "platform/thread_timer_service.h"
#include "recorder/event_buffer.h"

namespace tastarion {
namespace {

using namespace std::chrono_literals;
using testing::FakeClock;
using testing::FakeMidi;
using testing::RecordingView;
using testing::TakeFiles;

// A recording of quick notes on several channels, some left on at the end.
void load_busy_recording(Piano& piano, TakeFiles& takes) {
  std::vector<EventRecord> records;
  for (int n = 0; n < 60; ++n) {
    const uint8_t channel = n % 4;
    const uint8_t velocity = (n / 4) % 2 == 0 ? 96 : 0;
    records.push_back(
        encode_event_record(n % 3 == 0 ? 2 : 11, 0x90 | channel, 50 + channel, velocity));
  }
  records.push_back(encode_event_record(0, 0xFF, 0x2F, 0));
  ASSERT_TRUE(piano.open_midi_file(takes.write(records)));
}

// As the title line shows it.
bool replaying(const RecordingView& view) {
  return view.current_status() == PianoStatus::replaying;
}

TEST(Concurrency, TimerRoutinesAndTheWindowThreadShareSafely) {
  FakeMidi midi({"synth", "port A", "port B"});
  FakeClock clock;
  RecordingView view;
  ThreadTimerService timers;
  TakeFiles takes;
  EventBuffer take;
  Piano piano{midi, timers, clock, view, take, [](std::string_view) {}};
  ASSERT_TRUE(piano.allocate_buffer());
  piano.start_midi_out();
  load_busy_recording(piano, takes);
  const auto saved = std::filesystem::temp_directory_path() /
                     ("tastarion-concurrency-" + std::to_string(::getpid()) + ".mid");
  view.save_answer = saved.string();

  piano.change_mm_speed(240);
  piano.toggle_metronome();
  piano.toggle_replay();

  const auto end = std::chrono::steady_clock::now() + 1500ms;
  for (int round = 0; std::chrono::steady_clock::now() < end; ++round) {
    piano.change_device(round % 3);
    piano.change_volume(round % 11);
    std::this_thread::sleep_for(3ms);
    if (round % 5 == 0) {
      piano.toggle_replay();
    }
    if (round % 17 == 0) {
      // F2 twice: the second closes the recording; load a fresh one to replay.
      piano.toggle_recording();
      piano.toggle_recording();
      load_busy_recording(piano, takes);
      piano.toggle_replay();
    }
    if (round % 150 == 149) piano.toggle_metronome();
    if (round % 97 == 50) piano.change_mm_speed(240 - round % 7);
  }

  // The end of the program: after these, nothing more is sent.
  piano.stop_replay();
  piano.stop_metronome();
  const size_t sent = midi.messages().size();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(midi.messages().size(), sent);
  EXPECT_FALSE(replaying(view));
  EXPECT_EQ(midi.sends_while_closed, 0);
  EXPECT_FALSE(midi.double_open);
  int clicks = 0;
  int replayed = 0;
  for (ShortMessage m : midi.messages()) {
    clicks += m.status() == 0x99;
    replayed += (m.status() & 0xF0) == 0x90 && m.status() != 0x99 && m.data2() != 0;
  }
  EXPECT_GT(clicks, 0);
  EXPECT_GT(replayed, 0);
  std::filesystem::remove(saved);
}

// A piano on the real timer service with device 0 open and the buffer obtained.
class ConcurrencyOnTimerThread : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(piano.allocate_buffer());
    piano.start_midi_out();
  }
  // Whether the last message on `channel` for `note` switched it on.
  bool sounding(int channel, uint8_t note) {
    bool on = false;
    for (ShortMessage m : midi.messages()) {
      if (m.status() == (0x90 | channel) && m.data1() == note) on = m.data2() != 0;
    }
    return on;
  }

  FakeMidi midi;
  FakeClock clock;
  RecordingView view;
  ThreadTimerService timers;
  TakeFiles takes;
  EventBuffer take;
  Piano piano{midi, timers, clock, view, take, [](std::string_view) {}};
};

// Stops that race with a step about to run: after stop_replay returns nothing of
// that replay is sent, whatever the step was doing when the stop came.
TEST_F(ConcurrencyOnTimerThread, NoStepSendsAfterStopReturns) {
  load_busy_recording(piano, takes);

  for (int attempt = 0; attempt < 150; ++attempt) {
    piano.toggle_replay();
    std::this_thread::sleep_for(std::chrono::microseconds(9'000 + attempt * 37 % 3'000));
    piano.stop_replay();
    const size_t sent = midi.messages().size();
    std::this_thread::sleep_for(1ms);
    ASSERT_EQ(midi.messages().size(), sent) << attempt;
    ASSERT_EQ(midi.sounding_count(), 0) << attempt;
  }
}

// A key pressed just as the replay stops or ends, sounding a note the replay
// left on: the key's note, on a channel of its own, must outlive the replay.
TEST_F(ConcurrencyOnTimerThread, AKeyPressedAsTheReplayEndsKeepsSounding) {
  constexpr uint8_t kScanV = 0x2F;  // note 50 on channel 1, as the recording has it
  ASSERT_TRUE(piano.open_midi_file(
      takes.write({encode_event_record(0, 0x90, 50, 96), encode_event_record(0, 0x91, 51, 96),
                   encode_event_record(0, 0xFF, 0x2F, 0)})));

  for (int attempt = 0; attempt < 100; ++attempt) {
    piano.toggle_replay();  // the end comes 30 ms later
    std::this_thread::sleep_for(std::chrono::microseconds(20'000 + attempt * 131 % 15'000));
    piano.note_key_down(key_press(kScanV));
    if (attempt % 2 == 0) piano.stop_replay();
    while (replaying(view)) std::this_thread::sleep_for(1ms);
    int slot = 0;
    while (slot < 16 && !sounding(slot, 50)) ++slot;
    ASSERT_LT(slot, 16) << attempt;
    piano.note_key_up(key_release(kScanV));
    ASSERT_EQ(midi.sounding_count(), 0) << attempt;
  }
}

// A piano that goes away with its metronome and a replay running takes its
// timers with it: nothing runs into the freed piano afterwards.
TEST(Concurrency, APianoGoingAwayStopsItsTimers) {
  FakeMidi midi;
  FakeClock clock;
  RecordingView view;
  ThreadTimerService timers;
  TakeFiles takes;
  EventBuffer take;
  for (int attempt = 0; attempt < 20; ++attempt) {
    auto piano = std::make_unique<Piano>(midi, timers, clock, view, take, [](std::string_view) {});
    ASSERT_TRUE(piano->allocate_buffer());
    piano->start_midi_out();
    load_busy_recording(*piano, takes);
    piano->change_mm_speed(240);
    piano->toggle_metronome();
    piano->toggle_replay();
    std::this_thread::sleep_for(std::chrono::microseconds(5'000 + attempt * 511 % 4'000));
    piano.reset();
    const size_t sent = midi.messages().size();
    std::this_thread::sleep_for(2ms);
    ASSERT_EQ(midi.messages().size(), sent) << attempt;
    midi.close();
  }
}

}  // namespace
}  // namespace tastarion
