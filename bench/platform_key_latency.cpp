// Key to sound: the time from a key press to its note-on, and from a key release
// to its note-off, at a JACK MIDI receiver. Keys are made with XTEST on the X
// display where the program's window has the keyboard; the receiver is this
// program's own MIDI input port. Run by bench/key_latency.sh, which starts Xvfb,
// a JACK dummy server and the program first.
//   platform_key_latency [taps]
#include <jack/jack.h>
#include <jack/midiport.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr uint8_t kKeycodeC = 54;          // XKB keycode of C: note 48
constexpr uint8_t kKeycodePageDown = 117;  // moves the program to the next device

// What the receiver saw last: its status, note and velocity, and when (JACK's
// microsecond clock), published whole by a sequence number.
struct Seen {
  std::atomic<uint64_t> count{0};
  std::atomic<uint32_t> message{0};
  std::atomic<jack_time_t> at{0};
  jack_port_t* port = nullptr;
};

int process(jack_nframes_t frames, void* arg) {
  auto* seen = static_cast<Seen*>(arg);
  const jack_time_t now = jack_get_time();
  void* buffer = jack_port_get_buffer(seen->port, frames);
  const uint32_t events = jack_midi_get_event_count(buffer);
  for (uint32_t i = 0; i < events; ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, buffer, i) != 0 || event.size < 2) continue;
    const uint32_t data2 = event.size > 2 ? event.buffer[2] : 0;
    seen->message = event.buffer[0] | event.buffer[1] << 8 | data2 << 16;
    seen->at = now;
    seen->count.fetch_add(1);
  }
  return 0;
}

class Keyboard {
 public:
  Keyboard() : connection_(xcb_connect(nullptr, nullptr)) {}
  ~Keyboard() { xcb_disconnect(connection_); }
  bool ok() const { return xcb_connection_has_error(connection_) == 0; }
  void key(uint8_t keycode, bool press) {
    xcb_test_fake_input(connection_, press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode,
                        XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection_);
  }

 private:
  xcb_connection_t* connection_;
};

// Waits for a message matching `want` after `count`; its arrival time or 0.
jack_time_t wait_for(const Seen& seen, uint64_t count, uint32_t want, uint32_t mask,
                     std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (seen.count.load() > count && (seen.message.load() & mask) == want) return seen.at.load();
    std::this_thread::sleep_for(50us);
  }
  return 0;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}
double percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[static_cast<size_t>(p * (values.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
  const int taps = argc > 1 ? std::atoi(argv[1]) : 40;
  Keyboard keyboard;
  if (!keyboard.ok()) {
    std::puts("skipped: no X display");
    return 0;
  }
  jack_status_t status;
  jack_client_t* client = jack_client_open("latency-probe", JackNoStartServer, &status);
  if (client == nullptr) {
    std::puts("skipped: no JACK server");
    return 0;
  }
  Seen seen;
  seen.port = jack_port_register(client, "input", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  jack_set_process_callback(client, process, &seen);
  jack_activate(client);

  // Page Down until the program plays to this port: its program changes arrive,
  // then the pitch bends that end a switch (only the last message is kept).
  bool found = false;
  for (int tries = 0; tries < 10 && !found; ++tries) {
    std::this_thread::sleep_for(300ms);
    const uint64_t count = seen.count.load();
    keyboard.key(kKeycodePageDown, true);
    keyboard.key(kKeycodePageDown, false);
    found = wait_for(seen, count, 0xE0, 0xF0, 1000ms) != 0;
  }
  if (!found) {
    std::puts("the program never played to latency-probe:input");
    return 1;
  }
  std::this_thread::sleep_for(300ms);

  std::vector<double> press_ms, release_ms;
  std::mt19937 random(7);
  for (int tap = 0; tap < taps; ++tap) {
    uint64_t count = seen.count.load();
    jack_time_t sent = jack_get_time();
    keyboard.key(kKeycodeC, true);
    const jack_time_t on = wait_for(seen, count, 0x603090, 0xFFFFFF, 1000ms);
    // Held for a staccato to legato length, then let go.
    std::this_thread::sleep_for(std::chrono::milliseconds(40 + random() % 160));
    count = seen.count.load();
    const jack_time_t released = jack_get_time();
    keyboard.key(kKeycodeC, false);
    const jack_time_t off = wait_for(seen, count, 0x003090, 0xFFFFFF, 1000ms);
    if (on == 0 || off == 0) {
      std::printf("tap %d: no %s\n", tap + 1, on == 0 ? "note-on" : "note-off");
      return 1;
    }
    press_ms.push_back((on - sent) / 1000.0);
    release_ms.push_back((off - released) / 1000.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(60 + random() % 100));
  }
  std::printf("%d taps at a JACK receiver (period %u frames at %u Hz)\n", taps,
              jack_get_buffer_size(client), jack_get_sample_rate(client));
  jack_client_close(client);
  std::printf("%-10s %12s %12s\n", "ms", "press->on", "release->off");
  std::printf("%-10s %12.2f %12.2f\n", "median", median(press_ms), median(release_ms));
  std::printf("%-10s %12.2f %12.2f\n", "90th", percentile(press_ms, 0.9),
              percentile(release_ms, 0.9));
  std::printf("%-10s %12.2f %12.2f\n", "min", percentile(press_ms, 0), percentile(release_ms, 0));
  std::printf("%-10s %12.2f %12.2f\n", "max", percentile(press_ms, 1), percentile(release_ms, 1));
  return 0;
}
