// What the window thread pays, twice a second, to compare the device list with
// the system's ports: one refresh with nothing changed. Run it beside a JACK
// server (e.g. jackd -d dummy) with a few MIDI ports to see the cost of a look
// at the server; without one it measures the look for a server that is absent.
#include <benchmark/benchmark.h>

#include "platform/system_midi_output.h"

namespace tastarion {
namespace {

void BM_DeviceRefreshUnchanged(benchmark::State& state) {
  SystemMidiOutput output;
  output.prepare();
  for (auto _ : state) benchmark::DoNotOptimize(output.refresh());
  state.SetLabel(
      std::to_string(output.device_count()) + " devices" +
      (output.device_count() > 0 && output.device_name(output.device_count() - 1) == kOwnPortName
           ? ", a port service answers"
           : ", no JACK server or ALSA sequencer"));
}

BENCHMARK(BM_DeviceRefreshUnchanged)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tastarion

BENCHMARK_MAIN();
