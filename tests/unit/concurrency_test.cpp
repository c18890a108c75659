// The replay and the metronome on the real timer service while the window thread
// switches devices, changes the volume and toggles recording, replay and
// metronome. Meant to run under ThreadSanitizer as well.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "engine/key_map.h"
#include "engine/midi_output_port.h"
#include "engine/note_path.h"
#include "engine/sound_settings.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_midi.h"
#include "fakes/recording_view.h"
#include "recorder/event_buffer.h"
#include "recorder/recorder.h"
#include "recorder/replayer.h"
#include "timing/metronome.h"
#include "timing/thread_timer_service.h"

namespace tastarion {
namespace {

using namespace std::chrono_literals;
using testing::FakeClock;
using testing::FakeMidi;
using testing::RecordingView;

// A recording of quick notes on several channels, some left on at the end.
void load_busy_recording(Piano& piano) {
  uint8_t* at = piano.state.event_buffer.data() + EventBuffer::kFirstRecord;
  for (int n = 0; n < 60; ++n, at += 7) {
    const uint8_t channel = n % 4;
    const uint8_t velocity = (n / 4) % 2 == 0 ? 96 : 0;
    std::memcpy(
        at, encode_event_record(n % 3 == 0 ? 2 : 11, 0x90 | channel, 50 + channel, velocity).data(),
        7);
  }
  std::memcpy(at, encode_event_record(0, 0xFF, 0x2F, 0).data(), 7);
}

bool replaying(Piano& piano) {
  std::lock_guard lock(piano.state.replay_lock);
  return piano.state.replaying != 0;
}

TEST(Concurrency, TimerRoutinesAndTheWindowThreadShareSafely) {
  FakeMidi midi({"synth", "port A", "port B"});
  FakeClock clock;
  RecordingView view;
  ThreadTimerService timers;
  Piano piano{midi, timers, clock, view, [](std::string_view) {}};
  ASSERT_TRUE(piano.state.event_buffer.allocate());
  piano.state.device_count = midi.device_count();
  ASSERT_TRUE(piano.midi_out.switch_to(0));
  load_busy_recording(piano);
  const auto saved = std::filesystem::temp_directory_path() /
                     ("tastarion-concurrency-" + std::to_string(::getpid()) + ".mid");
  view.save_answer = saved.string();

  change_mm_speed(piano, 240);
  toggle_metronome(piano);
  toggle_replay(piano);

  const auto end = std::chrono::steady_clock::now() + 1500ms;
  for (int round = 0; std::chrono::steady_clock::now() < end; ++round) {
    change_device(piano, round % 3);
    change_volume(piano, round % 11);
    std::this_thread::sleep_for(3ms);
    if (round % 5 == 0) {
      toggle_replay(piano);
    }
    if (round % 17 == 0) {
      // F2 twice: the second closes the recording; load a fresh one to replay.
      toggle_recording(piano);
      toggle_recording(piano);
      load_busy_recording(piano);
      toggle_replay(piano);
    }
    if (round % 150 == 149) toggle_metronome(piano);
    if (round % 97 == 50) change_mm_speed(piano, 240 - round % 7);
  }

  // The end of the program: after these, nothing more is sent.
  stop_replay(piano);
  stop_metronome(piano);
  const size_t sent = midi.messages().size();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(midi.messages().size(), sent);
  EXPECT_FALSE(replaying(piano));
  EXPECT_EQ(midi.sends_while_closed, 0);
  EXPECT_FALSE(midi.double_open);
  int clicks = 0;
  int replayed = 0;
  for (ShortMessage m : midi.messages()) {
    clicks += status_of(m) == 0x99;
    replayed += (status_of(m) & 0xF0) == 0x90 && status_of(m) != 0x99 && data2_of(m) != 0;
  }
  EXPECT_GT(clicks, 0);
  EXPECT_GT(replayed, 0);
  std::filesystem::remove(saved);
}

// A piano on the real timer service with device 0 open and the buffer obtained.
class ConcurrencyOnTimerThread : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(piano.state.event_buffer.allocate());
    ASSERT_TRUE(piano.midi_out.switch_to(0));
  }

  FakeMidi midi;
  FakeClock clock;
  RecordingView view;
  ThreadTimerService timers;
  Piano piano{midi, timers, clock, view, [](std::string_view) {}};
};

// Stops that race with a step about to run: after stop_replay returns nothing of
// that replay is sent, whatever the step was doing when the stop came.
TEST_F(ConcurrencyOnTimerThread, NoStepSendsAfterStopReturns) {
  load_busy_recording(piano);

  for (int attempt = 0; attempt < 150; ++attempt) {
    toggle_replay(piano);
    std::this_thread::sleep_for(std::chrono::microseconds(9'000 + attempt * 37 % 3'000));
    stop_replay(piano);
    const size_t sent = midi.messages().size();
    std::this_thread::sleep_for(1ms);
    ASSERT_EQ(midi.messages().size(), sent) << attempt;
    ASSERT_EQ(piano.midi_out.sounding_count(), 0) << attempt;
  }
}

// A key pressed just as the replay stops or ends, sounding a note the replay
// left on, on the same channel: the key's note must outlive the replay.
TEST_F(ConcurrencyOnTimerThread, AKeyPressedAsTheReplayEndsKeepsSounding) {
  constexpr uint8_t kScanV = 0x2F;  // note 50 on channel 1, as the recording has it
  uint8_t* at = piano.state.event_buffer.data() + EventBuffer::kFirstRecord;
  std::memcpy(at, encode_event_record(0, 0x90, 50, 96).data(), 7);
  std::memcpy(at + 7, encode_event_record(0, 0x91, 51, 96).data(), 7);
  std::memcpy(at + 14, encode_event_record(0, 0xFF, 0x2F, 0).data(), 7);

  for (int attempt = 0; attempt < 100; ++attempt) {
    toggle_replay(piano);  // the end comes 30 ms later
    std::this_thread::sleep_for(std::chrono::microseconds(20'000 + attempt * 131 % 15'000));
    note_key_down(piano, make_key_param(kScanV));
    if (attempt % 2 == 0) stop_replay(piano);
    while (replaying(piano)) std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(piano.midi_out.is_sounding(0, 50)) << attempt;
    note_key_up(piano, make_key_param(kScanV, false, true, true));
    ASSERT_EQ(piano.midi_out.sounding_count(), 0) << attempt;
  }
}

}  // namespace
}  // namespace tastarion
