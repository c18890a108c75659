#pragma once

// Shared by the timing benchmarks: a MIDI output that notes when each message
// arrives, and the figures printed from the lateness samples.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "engine/midi_output_service.h"
#include "instrument/piano.h"
#include "platform/thread_timer_service.h"
#include "timing/clock.h"

namespace tastarion::bench {

inline int64_t steady_micros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Arrivals are kept in a block sized up front so that the send does nothing but
// read the clock and store.
class TimestampingSink : public MidiOutputService {
 public:
  struct Arrival {
    int64_t at_us;
    ShortMessage message;
  };
  explicit TimestampingSink(size_t capacity) : arrivals_(capacity) {}

  int device_count() const override { return 1; }
  std::string device_name(int) const override { return "timestamping sink"; }
  Result open(int) override { return Result::success(); }
  void close() override {}
  void send(ShortMessage message) noexcept override {
    const int64_t now = steady_micros();
    const size_t n = count_.load(std::memory_order_relaxed);
    if (n < arrivals_.size()) arrivals_[n] = {now, message};
    count_.store(n + 1, std::memory_order_release);
  }

  size_t count() const { return count_.load(std::memory_order_acquire); }
  const Arrival& operator[](size_t i) const { return arrivals_[i]; }

 private:
  std::vector<Arrival> arrivals_;
  std::atomic<size_t> count_{0};
};

// Keeps one core spinning for as long as it lives: the timer thread then shares
// the machine with a busy neighbour.
class BusyCore {
 public:
  BusyCore()
      : spinner_([this] {
          while (!stop_.load(std::memory_order_relaxed)) {
          }
        }) {}
  ~BusyCore() {
    stop_ = true;
    spinner_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread spinner_;
};

class SteadyMillis : public Clock {
 public:
  uint32_t tick_count_ms() override { return static_cast<uint32_t>(steady_micros() / 1000); }
};

struct Figures {
  double median, p99, max, min;
  size_t over_1ms, over_5ms, count;
};

inline Figures figures_of(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  auto at = [&](double q) {
    return samples[std::min(samples.size() - 1,
                            static_cast<size_t>(q * (samples.size() - 1) + 0.5))];
  };
  auto over = [&](double ms) {
    return static_cast<size_t>(samples.end() -
                               std::upper_bound(samples.begin(), samples.end(), ms));
  };
  return {at(0.5), at(0.99), samples.back(), samples.front(), over(1.0), over(5.0), samples.size()};
}

inline void print_figures(const char* what, const Figures& f) {
  std::printf("%-28s median %8.3f ms   p99 %8.3f ms   max %8.3f ms   min %8.3f ms\n", what,
              f.median, f.p99, f.max, f.min);
  std::printf("%-28s %zu of %zu over 1 ms, %zu over 5 ms\n", "", f.over_1ms, f.count, f.over_5ms);
}

// User plus system CPU time of the process so far, in seconds.
inline double cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A Piano on the real timer service and the steady clock, sending into a
// timestamping sink that is open from the start.
struct TimingRig {
  explicit TimingRig(size_t capacity) : sink(capacity) { piano.start_midi_out(); }

  // Whether a replay runs, as the title line would show it (any thread).
  struct StatusView : PianoView {
    void show_status(PianoStatus status) override { shown = status; }
    bool replaying() const { return shown == PianoStatus::replaying; }
    std::atomic<PianoStatus> shown{PianoStatus::none};
  };

  TimestampingSink sink;
  ThreadTimerService timers;
  SteadyMillis clock;
  StatusView view;
  EventBuffer take;
  Piano piano{sink, timers, clock, view, take, [](std::string_view) {}};
};

}  // namespace tastarion::bench
