// What following the system's ports costs. The window thread, twice a second,
// takes the newest reading and compares it with the list; the watch thread, four
// times a second, reads the ports. Run it beside a JACK server (e.g. jackd -d
// dummy) with a few MIDI ports to see the cost of a look at the server; without
// one, a look for a server that is absent (made every 3 s only).
#include <benchmark/benchmark.h>

#include "platform/port_watch.h"
#include "platform/system_midi_output.h"

namespace tastarion {
namespace {

std::string service_label(const SystemMidiOutput& output) {
  const int count = output.device_count();
  const bool found = count > 0 && output.device_name(count - 1) == kOwnPortName;
  return std::to_string(count) + " devices" +
         (found ? ", a port service answers" : ", no JACK server or ALSA sequencer");
}

void BM_WindowRefreshUnchanged(benchmark::State& state) {
  SystemMidiOutput output;
  output.prepare();
  for (auto _ : state) benchmark::DoNotOptimize(output.refresh());
  state.SetLabel(service_label(output));
}

void BM_WatchReadsThePorts(benchmark::State& state) {
  PortWatch watch({true, true});
  for (auto _ : state) benchmark::DoNotOptimize(watch.first());
  watch.stop();
}

BENCHMARK(BM_WindowRefreshUnchanged)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WatchReadsThePorts)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tastarion

BENCHMARK_MAIN();
