#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/key_map.h"
#include "engine/piano.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_midi.h"
#include "fakes/fake_timer_service.h"
#include "fakes/recording_view.h"

namespace tastarion::testing {

// A Piano on fakes, with device 0 open and the trace lines collected.
class PianoTest : public ::testing::Test {
 protected:
  explicit PianoTest(std::vector<std::string> devices = {"Synth", "Port A", "Port B"})
      : midi(std::move(devices)),
        piano(midi, timers, clock, view, [this](std::string_view l) { trace.emplace_back(l); }) {
    piano.errors = [this](std::string_view l) { errors.emplace_back(l); };
    piano.state.device_count = midi.device_count();
    piano.midi_out.switch_to(0);
    midi.clear();
  }

  void press(uint8_t scan, bool repeat = false) {
    note_key_down_(make_key_param(scan, false, repeat));
  }
  void release(uint8_t scan) { note_key_up_(make_key_param(scan, false, true, true)); }
  // Messages sent since the last call, then forgets them.
  std::vector<ShortMessage> sent() {
    auto out = midi.messages();
    midi.clear();
    return out;
  }

  FakeMidi midi;
  FakeTimerService timers;
  FakeClock clock;
  RecordingView view;
  std::vector<std::string> trace;
  std::vector<std::string> errors;
  Piano piano;

 private:
  void note_key_down_(uint32_t p);
  void note_key_up_(uint32_t p);
};

}  // namespace tastarion::testing
