// Replay timing on the real timer service: a 1,000-event recording replayed to a
// MIDI output that notes arrival times, compared with the recording's timeline.
//   timing_replay [--events N] [--seed S] [--busy]
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <thread>

#include "instrument/piano.h"
#include "platform/thread_timer_service.h"
#include "recorder/event_buffer.h"
#include "recorder/replayer.h"
#include "timing_sink.h"

using namespace tastarion;
using namespace tastarion::bench;

int main(int argc, char** argv) {
  int events = 1000;
  unsigned seed = 1;
  bool busy = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--events") && i + 1 < argc)
      events = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc)
      seed = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--busy"))
      busy = true;
  }
  if (events < 1 || events > static_cast<int>(EventBuffer::kMaxNoteRecords)) {
    std::fprintf(stderr, "usage: %s [--events 1..9999] [--seed S] [--busy]\n", argv[0]);
    return 2;
  }

  std::optional<BusyCore> load;
  if (busy) load.emplace();

  TimingRig rig(events + 256);
  TimestampingSink& sink = rig.sink;
  ThreadTimerService& timers = rig.timers;
  Piano& piano = rig.piano;
  if (!piano.allocate_buffer()) return 1;

  // Notes pressed and released 10 to 40 ms apart, as a quick player would; the
  // expected time of each is the recording's own: its delta after the one before.
  std::mt19937 rng(seed);
  std::vector<double> expected_ms;
  double t = 10;  // the first record plays 10 ms after F3
  uint8_t* at = rig.take.data() + EventBuffer::kFirstRecord;
  for (int n = 0; n < events; ++n, at += EventBuffer::kRecordSize) {
    const uint32_t delta = 10 + rng() % 31;
    if (n > 0) t += delta;
    expected_ms.push_back(t);
    const uint8_t note = 48 + (n / 2) % 24;
    EventRecord record = encode_event_record(delta, 0x90, note, n % 2 == 0 ? 96 : 0);
    std::memcpy(at, record.data(), record.size());
  }
  EventRecord end = encode_event_record(0, 0xFF, 0x2F, 0);
  std::memcpy(at, end.data(), end.size());

  std::printf("replay of %d events, %.1f s long, %s\n", events, t / 1000,
              busy ? "one core kept busy" : "no extra load");
  const double cpu_before = cpu_seconds();
  const Micros start = timers.now();
  piano.toggle_replay();
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!rig.view.replaying()) break;
  }
  const double cpu = cpu_seconds() - cpu_before;
  load.reset();

  if (sink.count() < static_cast<size_t>(events)) {
    std::fprintf(stderr, "only %zu of %d events arrived\n", sink.count(), events);
    return 1;
  }
  std::vector<double> error;
  for (int n = 0; n < events; ++n) {
    error.push_back((sink[n].at_us - start) / 1000.0 - expected_ms[n]);
  }
  print_figures("timing error per event", figures_of(error));
  std::printf("error at the last event      %8.3f ms\n", error.back());
  if (!busy) {
    std::printf("process CPU time             %8.3f s over %.1f s (%.2f %%)\n", cpu, t / 1000,
                100.0 * cpu / (t / 1000));
  }
  return 0;
}
