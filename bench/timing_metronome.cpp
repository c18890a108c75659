// Metronome click timing on the real timer service: how late each click reaches
// the MIDI output after its beat, and whether the clicks drift.
//   timing_metronome [--beats N] [--speed BPM] [--busy]
// --busy keeps one core loaded by a spinning thread meanwhile.
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

#include "instrument/piano.h"
#include "platform/thread_timer_service.h"
#include "timing/metronome.h"
#include "timing_sink.h"

using namespace tastarion;
using namespace tastarion::bench;

int main(int argc, char** argv) {
  int beats = 200;
  int speed = 240;
  bool busy = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--beats") && i + 1 < argc)
      beats = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--speed") && i + 1 < argc)
      speed = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--busy"))
      busy = true;
  }
  if (beats < 2 || !kMmSpeedSetting.contains(speed)) {
    std::fprintf(stderr, "usage: %s [--beats N>=2] [--speed 30..240] [--busy]\n", argv[0]);
    return 2;
  }

  std::optional<BusyCore> load;
  if (busy) load.emplace();

  TimingRig rig(beats + 16);
  TimestampingSink& sink = rig.sink;
  ThreadTimerService& timers = rig.timers;
  Piano& piano = rig.piano;

  const double period_ms = metronome_period_ms(speed);
  std::printf("metronome at %d bpm (period %.0f ms), %d beats, %s\n", speed, period_ms, beats,
              busy ? "one core kept busy" : "no extra load");
  piano.change_mm_speed(speed);
  const double cpu_before = cpu_seconds();
  const Micros start = timers.now();
  piano.toggle_metronome();
  while (sink.count() < static_cast<size_t>(beats)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  piano.stop_metronome();
  const double cpu = cpu_seconds() - cpu_before;
  load.reset();

  // Beat k (from 1) is due one period after the start, k times over.
  std::vector<double> lateness;
  for (int k = 0; k < beats; ++k) {
    const double due_us = start + (k + 1) * period_ms * 1000;
    lateness.push_back((sink[k].at_us - due_us) / 1000.0);
  }
  print_figures("click lateness", figures_of(lateness));
  const double span_ms = (sink[beats - 1].at_us - sink[0].at_us) / 1000.0;
  std::printf(
      "drift after %d beats         %8.3f ms (last beat's lateness %.3f ms, first %.3f ms)\n",
      beats, span_ms - (beats - 1) * period_ms, lateness.back(), lateness.front());
  if (!busy) {
    std::printf("process CPU time             %8.3f s over %.1f s (%.2f %%)\n", cpu,
                span_ms / 1000.0, 100.0 * cpu / (span_ms / 1000.0));
  }
  return 0;
}
