// Cost of one key press and release through the engine into the MIDI service,
// with a service that does nothing.
#include <benchmark/benchmark.h>

#include "instrument/piano.h"

namespace tastarion {
namespace {

class NullMidi : public MidiOutputService {
 public:
  int device_count() const override { return 1; }
  std::string device_name(int) const override { return "null"; }
  Result open(int) override { return Result::success(); }
  void close() override {}
  void send(ShortMessage message) noexcept override { benchmark::DoNotOptimize(message); }
};

class NullTimers : public TimerService {
 public:
  Micros now() const override { return 0; }
  TimerId set_oneshot_at(Micros, Routine) override { return 0; }
  TimerId set_periodic(uint32_t, Routine) override { return 0; }
  void kill(TimerId) override {}
};

class ZeroClock : public Clock {
 public:
  uint32_t tick_count_ms() override { return 0; }
};

void BM_KeyPressAndRelease(benchmark::State& state) {
  NullMidi midi;
  NullTimers timers;
  ZeroClock clock;
  PianoView view;
  EventBuffer take;
  Piano piano(midi, timers, clock, view, take, [](std::string_view) {});
  piano.start_midi_out();
  const KeyEvent down = key_press(0x2E);
  const KeyEvent up = key_release(0x2E);
  for (auto _ : state) {
    piano.note_key_down(down);
    piano.note_key_up(up);
  }
  state.SetLabel("ns per press+release pair");
}
BENCHMARK(BM_KeyPressAndRelease);

}  // namespace
}  // namespace tastarion

BENCHMARK_MAIN();
