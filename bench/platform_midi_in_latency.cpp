// MIDI in to MIDI out: the time from a note sent by a JACK client to the note
// the program plays at a JACK receiver, beside two references measured in the
// same run: the sender wired straight to the receiver (what JACK itself takes),
// and a bare relay client that hands each event to a thread of its own and back,
// as any program must that plays outside JACK's callback. Then the program
// again while the sender also moves a wheel `flood` times a second (pitch bend
// on the notes' input channel), as a broken device would. Run by
// bench/midi_in_latency.sh, which starts Xvfb, a JACK dummy server and the
// program first; XTEST's Page Down moves the program onto this receiver.
//   platform_midi_in_latency [notes] [flood]
#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr uint8_t kKeycodePageDown = 117;
constexpr const char* kProgramInput = "Tastarion:midi_in";

// The sender: a message asked for by the main thread goes out at the start of
// the next cycle, stamped with JACK's microsecond clock. While `flood` is set,
// pitch bends follow at that many a second, spread over each cycle, the wheel
// sweeping up and down.
struct Sender {
  jack_port_t* port = nullptr;
  std::atomic<uint32_t> pending{0};
  std::atomic<jack_time_t> sent_at{0};
  std::atomic<uint32_t> flood{0};
  std::atomic<uint64_t> flooded{0};
  uint32_t sample_rate = 48000;
  // The sender's callback alone.
  uint64_t owed_share = 0;
  uint32_t sweep = 0;

  static int process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<Sender*>(arg);
    void* buffer = jack_port_get_buffer(self->port, frames);
    jack_midi_clear_buffer(buffer);
    const uint32_t message = self->pending.exchange(0);
    if (message != 0) {
      const jack_midi_data_t bytes[3] = {static_cast<jack_midi_data_t>(message),
                                         static_cast<jack_midi_data_t>(message >> 8),
                                         static_cast<jack_midi_data_t>(message >> 16)};
      jack_midi_event_write(buffer, 0, bytes, 3);
      self->sent_at = jack_get_time();
    }
    self->write_flood(buffer, frames);
    return 0;
  }

  void write_flood(void* buffer, jack_nframes_t frames) {
    const uint32_t rate = flood.load();
    if (rate == 0) {
      owed_share = 0;
      return;
    }
    // `rate` messages a second: so many this cycle, the rest carried over.
    owed_share += uint64_t{rate} * frames;
    const uint64_t count = owed_share / sample_rate;
    owed_share %= sample_rate;
    for (uint64_t k = 0; k < count; ++k) {
      sweep = (sweep + 97) % 32768;
      const uint32_t bend = sweep < 16384 ? sweep : 32767 - sweep;
      const jack_midi_data_t bytes[3] = {0xE0, static_cast<jack_midi_data_t>(bend & 0x7F),
                                         static_cast<jack_midi_data_t>(bend >> 7)};
      const auto offset = static_cast<jack_nframes_t>(k * frames / count);
      if (jack_midi_event_write(buffer, offset, bytes, 3) == 0) flooded.fetch_add(1);
    }
  }
};

// What the receiver heard last, and when, published whole by a count.
struct Heard {
  std::atomic<uint64_t> count{0};
  std::atomic<uint32_t> message{0};
  std::atomic<jack_time_t> at{0};

  void hear(uint32_t heard, jack_time_t now) {
    message = heard;
    at = now;
    count.fetch_add(1);
  }
};

// The receiver: the last message of any kind, and the last note message apart,
// so that a flood of wheel messages does not hide the notes.
struct Receiver {
  jack_port_t* port = nullptr;
  Heard any;
  Heard note;

  static int process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<Receiver*>(arg);
    const jack_time_t now = jack_get_time();
    void* buffer = jack_port_get_buffer(self->port, frames);
    const uint32_t events = jack_midi_get_event_count(buffer);
    for (uint32_t i = 0; i < events; ++i) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, buffer, i) != 0 || event.size != 3) continue;
      const uint32_t message = event.buffer[0] | event.buffer[1] << 8 | event.buffer[2] << 16;
      self->any.hear(message, now);
      if ((event.buffer[0] & 0xE0) == 0x80) self->note.hear(message, now);
    }
    return 0;
  }
};

// The reference relay: its callback queues each event and wakes a thread, which
// queues it back for the callback's next cycle; no lock, no allocation there.
struct Relay {
  jack_port_t* in = nullptr;
  jack_port_t* out = nullptr;
  jack_ringbuffer_t* to_thread = jack_ringbuffer_create(4096);
  jack_ringbuffer_t* from_thread = jack_ringbuffer_create(4096);
  int wake = eventfd(0, EFD_CLOEXEC);
  std::atomic<bool> stop{false};

  static int process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<Relay*>(arg);
    void* out_buffer = jack_port_get_buffer(self->out, frames);
    jack_midi_clear_buffer(out_buffer);
    uint8_t record[3];
    while (jack_ringbuffer_read(self->from_thread, reinterpret_cast<char*>(record), 3) == 3) {
      jack_midi_event_write(out_buffer, 0, record, 3);
    }
    void* in_buffer = jack_port_get_buffer(self->in, frames);
    const uint32_t events = jack_midi_get_event_count(in_buffer);
    bool queued = false;
    for (uint32_t i = 0; i < events; ++i) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, in_buffer, i) != 0 || event.size != 3) continue;
      jack_ringbuffer_write(self->to_thread, reinterpret_cast<const char*>(event.buffer), 3);
      queued = true;
    }
    if (queued) {
      const uint64_t one = 1;
      [[maybe_unused]] ssize_t written = write(self->wake, &one, sizeof one);
    }
    return 0;
  }
  void run() {
    uint64_t count;
    while (read(wake, &count, sizeof count) == sizeof count && !stop) {
      char record[3];
      while (jack_ringbuffer_read(to_thread, record, 3) == 3) {
        jack_ringbuffer_write(from_thread, record, 3);
      }
    }
  }
};

jack_client_t* open_client(const char* name, JackProcessCallback process, void* arg) {
  jack_status_t status;
  jack_client_t* client = jack_client_open(name, JackNoStartServer, &status);
  if (client != nullptr) jack_set_process_callback(client, process, arg);
  return client;
}

void key(xcb_connection_t* x, uint8_t keycode) {
  xcb_test_fake_input(x, XCB_KEY_PRESS, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  xcb_test_fake_input(x, XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  xcb_flush(x);
}

// Waits for a message matching `want` under `mask` after `count`; its time or 0.
jack_time_t wait_for(const Heard& r, uint64_t count, uint32_t want, uint32_t mask,
                     std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (r.count.load() > count && (r.message.load() & mask) == want) return r.at.load();
    std::this_thread::sleep_for(50us);
  }
  return 0;
}

double at(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[static_cast<size_t>(p * (values.size() - 1))];
}

// Note-ons and note-offs through whatever is wired now, in milliseconds. A
// message lost on the way (a loaded machine's xrun loses some) counts in `lost`.
struct Figures {
  std::vector<double> ms;
  int lost = 0;
};
Figures measure(Sender& sender, const Receiver& receiver, int notes) {
  Figures figures;
  for (int i = 0; i < notes * 2 && figures.lost < notes / 2 + 1; ++i) {
    const bool on = i % 2 == 0;
    const uint32_t velocity = on ? 100 : 0;
    const uint64_t count = receiver.note.count.load();
    sender.sent_at = 0;
    sender.pending = 0x90 | 60 << 8 | velocity << 16;
    // Any channel: the program plays on a channel of its own.
    const jack_time_t heard =
        wait_for(receiver.note, count, 60 << 8 | velocity << 16, 0xFFFF00, 500ms);
    if (heard == 0) {
      ++figures.lost;
    } else {
      figures.ms.push_back((heard - sender.sent_at.load()) / 1000.0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + i * 7 % 40));
  }
  return figures;
}

void print(const char* name, const Figures& f) {
  if (f.ms.empty()) {
    std::printf("%-28s no answer\n", name);
    return;
  }
  std::printf("%-28s %8.2f %8.2f %8.2f %8.2f %6d\n", name, at(f.ms, 0.5), at(f.ms, 0.9),
              at(f.ms, 0), at(f.ms, 1), f.lost);
}

}  // namespace

int main(int argc, char** argv) {
  const int notes = argc > 1 ? std::atoi(argv[1]) : 40;
  const int flood = argc > 2 ? std::atoi(argv[2]) : 5000;
  xcb_connection_t* x = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(x)) {
    std::puts("skipped: no X display");
    return 0;
  }
  Sender sender;
  Receiver receiver;
  Relay relay;
  jack_client_t* keys = open_client("latency-keys", Sender::process, &sender);
  jack_client_t* probe = open_client("latency-probe", Receiver::process, &receiver);
  jack_client_t* relay_client = open_client("latency-relay", Relay::process, &relay);
  if (keys == nullptr || probe == nullptr || relay_client == nullptr) {
    std::puts("skipped: no JACK server");
    return 0;
  }
  sender.port = jack_port_register(keys, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  receiver.port = jack_port_register(probe, "input", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  relay.in = jack_port_register(relay_client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  relay.out = jack_port_register(relay_client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  std::thread relay_thread([&] { relay.run(); });
  jack_activate(keys);
  jack_activate(probe);
  jack_activate(relay_client);

  // Page Down until the program plays to the receiver: the pitch bends that
  // end a switch arrive.
  bool found = false;
  for (int tries = 0; tries < 12 && !found; ++tries) {
    std::this_thread::sleep_for(300ms);
    const uint64_t count = receiver.any.count.load();
    key(x, kKeycodePageDown);
    found = wait_for(receiver.any, count, 0xE0, 0xF0, 1000ms) != 0;
  }
  if (!found) {
    std::puts("the program never played to latency-probe:input");
    return 1;
  }
  std::this_thread::sleep_for(500ms);
  const std::string keys_out = jack_port_name(sender.port);
  const std::string probe_in = jack_port_name(receiver.port);

  // JACK alone: the sender wired straight to the receiver.
  if (jack_connect(keys, keys_out.c_str(), probe_in.c_str()) != 0) std::puts("no connection");
  std::this_thread::sleep_for(300ms);
  const Figures direct = measure(sender, receiver, notes);
  jack_disconnect(keys, keys_out.c_str(), probe_in.c_str());
  // The bare relay through a thread of its own.
  if (jack_connect(keys, keys_out.c_str(), jack_port_name(relay.in)) != 0 ||
      jack_connect(keys, jack_port_name(relay.out), probe_in.c_str()) != 0) {
    std::puts("no connection to the relay");
  }
  std::this_thread::sleep_for(300ms);
  const Figures relayed = measure(sender, receiver, notes);
  jack_disconnect(keys, keys_out.c_str(), jack_port_name(relay.in));
  jack_disconnect(keys, jack_port_name(relay.out), probe_in.c_str());
  // The program: its input port, the note path, its output to the receiver.
  jack_connect(keys, keys_out.c_str(), kProgramInput);
  std::this_thread::sleep_for(300ms);
  const Figures played = measure(sender, receiver, notes);
  // The same under the wheel's flood, which starts a while before the notes.
  sender.sample_rate = jack_get_sample_rate(keys);
  sender.flood = static_cast<uint32_t>(std::max(flood, 0));
  std::this_thread::sleep_for(1s);
  const uint64_t flood_start = sender.flooded.load();
  const uint64_t heard_start = receiver.any.count.load();
  const auto flood_began = std::chrono::steady_clock::now();
  const Figures flooded = measure(sender, receiver, notes);
  const double flood_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - flood_began).count();
  sender.flood = 0;
  const double sent_rate = (sender.flooded.load() - flood_start) / flood_seconds;
  const double heard_rate = (receiver.any.count.load() - heard_start) / flood_seconds;

  std::printf("%d notes on and off at a JACK receiver (period %u frames at %u Hz, %.2f ms)\n",
              notes, jack_get_buffer_size(probe), jack_get_sample_rate(probe),
              1000.0 * jack_get_buffer_size(probe) / jack_get_sample_rate(probe));
  std::printf("%-28s %8s %8s %8s %8s %6s\n", "ms", "median", "90th", "min", "max", "lost");
  print("sender wired to receiver", direct);
  print("bare relay through a thread", relayed);
  print("Tastarion in to out", played);
  print("the same under the flood", flooded);
  if (!played.ms.empty() && !flooded.ms.empty()) {
    std::printf(
        "median quiet %.2f ms, flooded %.2f ms (%+.2f ms); the flood sent %.0f wheel "
        "messages a second over %.1f s, the receiver heard %.0f a second\n",
        at(played.ms, 0.5), at(flooded.ms, 0.5), at(flooded.ms, 0.5) - at(played.ms, 0.5),
        sent_rate, flood_seconds, heard_rate);
  }

  relay.stop = true;
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t written = write(relay.wake, &one, sizeof one);
  relay_thread.join();
  jack_client_close(keys);
  jack_client_close(probe);
  jack_client_close(relay_client);
  xcb_disconnect(x);
  return played.ms.empty() ? 1 : 0;
}
