#include "platform/jack_midi_output.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/quiet_drivers.h"

namespace tastarion {

namespace {

constexpr const char* kClientName = "Tastarion";
constexpr const char* kPortName = "output";
// Each queued message takes one record: its length, then up to three bytes.
constexpr size_t kRecord = 4;
constexpr size_t kQueueBytes = 4096;
// How long a close waits for the queued messages to go out.
constexpr auto kDrainLimit = std::chrono::milliseconds(250);

jack_client_t* open_client(const char* name) {
  quiet_sound_drivers();
  jack_status_t status;
  return jack_client_open(name, JackNoStartServer, &status);
}

}  // namespace

struct JackMidiOutput::Client {
  jack_client_t* client = nullptr;
  jack_port_t* port = nullptr;
  jack_ringbuffer_t* queue = nullptr;
  std::atomic<uint64_t> cycles{0};
  std::atomic<bool> server_gone{false};

  static void shutdown(void* arg) { static_cast<Client*>(arg)->server_gone = true; }

  static int process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<Client*>(arg);
    void* buffer = jack_port_get_buffer(self->port, frames);
    jack_midi_clear_buffer(buffer);
    // A new connection takes effect some cycles after it is made; until this
    // cycle's graph has it, the queue waits.
    const bool connected = jack_port_connected(self->port) > 0;
    unsigned char record[kRecord];
    while (connected &&
           jack_ringbuffer_peek(self->queue, reinterpret_cast<char*>(record), kRecord) == kRecord) {
      // A full port buffer keeps the rest for the next cycle, in order.
      if (jack_midi_event_write(buffer, 0, record + 1, record[0]) != 0) break;
      jack_ringbuffer_read_advance(self->queue, kRecord);
    }
    self->cycles.fetch_add(1, std::memory_order_release);
    return 0;
  }

  // The last messages before a close are the note-offs that silence the device:
  // they must reach the port, and the cycle that carries them must end, first.
  void drain() {
    const auto deadline = std::chrono::steady_clock::now() + kDrainLimit;
    const auto wait_for = [&](auto done) {
      while (!done() && !server_gone && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    };
    wait_for([&] { return jack_ringbuffer_read_space(queue) == 0; });
    const uint64_t seen = cycles.load(std::memory_order_acquire);
    wait_for([&] { return cycles.load(std::memory_order_acquire) >= seen + 2; });
  }

  ~Client() {
    if (client != nullptr) {
      // Stops the process callback before the queue it reads goes away.
      jack_deactivate(client);
      jack_client_close(client);
    }
    if (queue != nullptr) jack_ringbuffer_free(queue);
  }
};

std::vector<std::string> list_jack_midi_inputs() {
  std::vector<std::string> names;
  jack_client_t* client = open_client("tastarion-list");
  if (client == nullptr) return names;
  if (const char** ports =
          jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput)) {
    for (const char** port = ports; *port != nullptr; ++port) names.emplace_back(*port);
    jack_free(ports);
  }
  jack_client_close(client);
  return names;
}

JackMidiOutput::JackMidiOutput() = default;
JackMidiOutput::~JackMidiOutput() {
  close();
}

bool JackMidiOutput::open(const std::string& target_port) {
  close();
  DriverMessages messages;
  const auto fail = [&](std::string why) {
    const std::vector<std::string> said = messages.take();
    if (!said.empty()) why += " (" + said.back() + ")";
    failure_ = why + ".";
    return false;
  };
  auto c = std::make_unique<Client>();
  c->client = open_client(kClientName);
  if (c->client == nullptr) return fail("no JACK server runs");
  c->queue = jack_ringbuffer_create(kQueueBytes);
  if (c->queue == nullptr) return fail("out of memory");
  jack_ringbuffer_mlock(c->queue);
  c->port = jack_port_register(c->client, kPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  if (c->port == nullptr) return fail("JACK refused the output port");
  jack_port_t* target = jack_port_by_name(c->client, target_port.c_str());
  if (target == nullptr || !(jack_port_flags(target) & JackPortIsInput)) {
    return fail("the port is gone");
  }
  if (jack_set_process_callback(c->client, &Client::process, c.get()) != 0 ||
      jack_activate(c->client) != 0) {
    return fail("JACK did not start the client");
  }
  jack_on_shutdown(c->client, &Client::shutdown, c.get());
  const int connected = jack_connect(c->client, jack_port_name(c->port), target_port.c_str());
  if (connected != 0 && connected != EEXIST) return fail("JACK refused the connection");
  client_ = std::move(c);
  failure_.clear();
  return true;
}

void JackMidiOutput::close() {
  if (!client_) return;
  client_->drain();
  client_.reset();
}

void JackMidiOutput::send(const unsigned char* bytes, size_t length) noexcept {
  if (!client_ || length == 0 || length >= kRecord) return;
  unsigned char record[kRecord] = {static_cast<unsigned char>(length)};
  for (size_t i = 0; i < length; ++i) record[i + 1] = bytes[i];
  if (jack_ringbuffer_write_space(client_->queue) < kRecord) return;
  // One write publishes the whole record to the process callback at once.
  jack_ringbuffer_write(client_->queue, reinterpret_cast<const char*>(record), kRecord);
}

}  // namespace tastarion
