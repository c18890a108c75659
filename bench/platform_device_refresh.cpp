// What following the system's ports costs. The window thread, twice a second,
// takes the newest reading and compares it with the list; the watch thread reads
// the ports when the server tells of a change. Run it beside a JACK server (e.g.
// jackd -d dummy) with a few MIDI ports to see the cost of a look at the server,
// how soon a new port is listed, and what a watch costs while nothing changes;
// without one, a look for a server that is absent (made every 3 s only).
#include <benchmark/benchmark.h>
#include <jack/jack.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <optional>
#include <thread>

#include "ports/port_watch.h"
#include "ports/system_midi_output.h"

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

double process_cpu_seconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

bool lists(const PortSnapshot& snapshot, const std::string& name) {
  return std::find(snapshot.ports.begin(), snapshot.ports.end(), PortId{PortApi::jack, name}) !=
         snapshot.ports.end();
}

// From a port's registration to the watch's reading that lists it (the window
// then takes it at its next turn). The old watch read every 250 ms.
void BM_NewPortListedAfter(benchmark::State& state) {
  jack_client_t* client = jack_client_open("bench-ports", JackNoStartServer, nullptr);
  if (client == nullptr) {
    state.SkipWithError("no JACK server runs");
    return;
  }
  jack_activate(client);
  PortWatch watch({false, true});
  watch.first();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  (void)watch.latest();
  int round = 0;
  for (auto _ : state) {
    const std::string short_name = "in" + std::to_string(round++);
    const std::string name = std::string(jack_get_client_name(client)) + ":" + short_name;
    const auto start = std::chrono::steady_clock::now();
    jack_port_t* port =
        jack_port_register(client, short_name.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    for (;;) {
      const auto snapshot = watch.latest();
      if (snapshot && lists(*snapshot, name)) break;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    jack_port_unregister(client, port);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    (void)watch.latest();
  }
  watch.stop();
  jack_client_close(client);
}

// The process's CPU time over a second while a watch with a server up sees no
// change; the reference is the same second with no watch (argument 0).
void BM_IdleCpuPerSecond(benchmark::State& state) {
  std::optional<PortWatch> watch;
  bool found = false;
  if (state.range(0) == 1) found = watch.emplace(PortSources{true, true}).first().service_found;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  double cpu = 0;
  for (auto _ : state) {
    const double before = process_cpu_seconds();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    cpu = process_cpu_seconds() - before;
  }
  state.counters["cpu_ms_per_s"] = cpu * 1e3;
  if (watch) state.SetLabel(found ? "watching, a server answers" : "watching, no server");
}

BENCHMARK(BM_WindowRefreshUnchanged)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WatchReadsThePorts)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NewPortListedAfter)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleCpuPerSecond)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tastarion

BENCHMARK_MAIN();
