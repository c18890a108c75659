// Key to sound: the time from a key press to the first loud sample at a
// synthesizer's audio output, read through JACK (a JACK server, or PipeWire's
// JACK layer under pw-jack). Both ends are stamped with CLOCK_MONOTONIC: the key
// just before it is made, the sound in the cycle that first carries it. Keys are
// XTEST presses of C on the X display (the program's window has the keyboard), or
// with --fifo, "noteon" lines written to a FluidSynth command line's input. Run by
// bench/synth_latency.sh.
//   platform_sound_onset PORT taps [--fifo PATH]
#include <fcntl.h>
#include <jack/jack.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr uint8_t kKeycodeC = 54;  // XKB keycode of C: note 48
// About -50 dBFS: above a dying reverb tail, far below a played note.
constexpr float kLoud = 0.003f;
// Quiet this long before the next tap counts as silence.
constexpr int64_t kQuietNs = 80'000'000;

int64_t monotonic_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Written by the process callback, read by the tapping thread.
struct Ear {
  jack_port_t* port = nullptr;
  std::atomic<int64_t> last_loud_ns{0};
  std::atomic<int64_t> onset_after_ns{0};  // armed: the first loud cycle after this
  std::atomic<int64_t> onset_ns{0};
};

int process(jack_nframes_t frames, void* arg) {
  auto* ear = static_cast<Ear*>(arg);
  const auto* in = static_cast<const float*>(jack_port_get_buffer(ear->port, frames));
  bool loud = false;
  for (jack_nframes_t i = 0; i < frames && !loud; ++i) loud = std::fabs(in[i]) > kLoud;
  if (!loud) return 0;
  const int64_t now = monotonic_ns();
  ear->last_loud_ns = now;
  const int64_t armed = ear->onset_after_ns.load();
  if (armed != 0 && now > armed && ear->onset_ns.load() == 0) ear->onset_ns = now;
  return 0;
}

class Keys {
 public:
  explicit Keys(const char* fifo) {
    if (fifo != nullptr) {
      fd_ = open(fifo, O_WRONLY);
    } else {
      connection_ = xcb_connect(nullptr, nullptr);
    }
  }
  ~Keys() {
    if (connection_ != nullptr) xcb_disconnect(connection_);
    if (fd_ >= 0) close(fd_);
  }
  bool ok() const {
    return fd_ >= 0 || (connection_ != nullptr && xcb_connection_has_error(connection_) == 0);
  }
  void key(bool press) {
    if (fd_ >= 0) {
      const char* line = press ? "noteon 0 48 96\n" : "noteoff 0 48\n";
      if (write(fd_, line, std::strlen(line)) < 0) std::perror("fifo");
      return;
    }
    xcb_test_fake_input(connection_, press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, kKeycodeC,
                        XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection_);
  }

 private:
  xcb_connection_t* connection_ = nullptr;
  int fd_ = -1;
};

bool wait_for_quiet(const Ear& ear, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (monotonic_ns() - ear.last_loud_ns.load() > kQuietNs) return true;
    std::this_thread::sleep_for(5ms);
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s PORT taps [--fifo PATH] [--pause SECONDS]\n", argv[0]);
    return 2;
  }
  const char* source = argv[1];
  const int taps = std::atoi(argv[2]);
  const char* fifo = nullptr;
  // A last tap after this long a silence: nothing may have gone to sleep meanwhile.
  int pause_s = 0;
  for (int i = 3; i + 1 < argc; i += 2) {
    if (std::string(argv[i]) == "--fifo") fifo = argv[i + 1];
    if (std::string(argv[i]) == "--pause") pause_s = std::atoi(argv[i + 1]);
  }

  jack_status_t status;
  jack_client_t* client = jack_client_open("onset-probe", JackNoStartServer, &status);
  if (client == nullptr) {
    std::puts("no JACK server");
    return 1;
  }
  Ear ear;
  ear.port = jack_port_register(client, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
  jack_set_process_callback(client, process, &ear);
  jack_activate(client);
  if (jack_connect(client, source, jack_port_name(ear.port)) != 0) {
    std::printf("cannot read %s\n", source);
    return 1;
  }
  Keys keys(fifo);
  if (!keys.ok()) {
    std::puts(fifo != nullptr ? "cannot open the fifo" : "no X display");
    return 1;
  }

  std::vector<double> onset_ms;
  for (int tap = 0; tap < taps; ++tap) {
    if (pause_s > 0 && tap + 1 == taps) std::this_thread::sleep_for(std::chrono::seconds(pause_s));
    if (!wait_for_quiet(ear, 5000ms)) {
      std::printf("tap %d: never quiet\n", tap + 1);
      return 1;
    }
    ear.onset_ns = 0;
    const int64_t pressed = monotonic_ns();
    ear.onset_after_ns = pressed;
    keys.key(true);
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (ear.onset_ns.load() == 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(200us);
    }
    const int64_t onset = ear.onset_ns.load();
    ear.onset_after_ns = 0;
    std::this_thread::sleep_for(120ms);
    keys.key(false);
    if (onset == 0) {
      std::printf("tap %d: no sound within 2 s\n", tap + 1);
      return 1;
    }
    onset_ms.push_back((onset - pressed) / 1e6);
    std::this_thread::sleep_for(200ms);
  }
  const double first = onset_ms.front(), last = onset_ms.back();
  // The tap after the pause is told apart: the stream may have rested meanwhile.
  if (pause_s > 0 && onset_ms.size() > 1) onset_ms.pop_back();
  std::sort(onset_ms.begin(), onset_ms.end());
  std::printf("taps=%d period=%u rate=%u first=%.2f median=%.2f max=%.2f min=%.2f", taps,
              jack_get_buffer_size(client), jack_get_sample_rate(client), first,
              onset_ms[onset_ms.size() / 2], onset_ms.back(), onset_ms.front());
  if (pause_s > 0) std::printf(" after_%ds_pause=%.2f", pause_s, last);
  std::printf("\n");
  jack_client_close(client);
  return 0;
}
