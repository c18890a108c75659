#include "ports/jack_midi_output.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <bitset>
#include <cerrno>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/short_message.h"
#include "platform/jack_clients.h"
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

// A note message's channel and note, and whether it switches the note on.
struct NoteChange {
  unsigned channel;
  unsigned note;
  bool on;
};
bool note_change(const unsigned char* message, size_t length, NoteChange& change) {
  if (length < 3) return false;
  const auto note = ShortMessage::from_bytes(message[0], message[1], message[2]);
  if (!note.is_note()) return false;
  change = {static_cast<unsigned>(note.channel()), static_cast<unsigned>(note.note()),
            note.starts_note()};
  return true;
}

}  // namespace

struct JackMidiOutput::Client {
  jack_client_t* client = nullptr;
  jack_port_t* port = nullptr;
  jack_ringbuffer_t* queue = nullptr;
  std::atomic<uint64_t> cycles{0};
  std::atomic<bool> server_gone{false};
  // The notes the program wants on, as sent, whether or not the messages got
  // through: two words of 64 notes per channel. Written by send, read by process.
  std::array<std::atomic<uint64_t>, 32> wanted{};
  // A send found the queue full, so a note-off may be lost.
  std::atomic<bool> overflowed{false};
  // Process thread only. Frames waited after the open for its connection to
  // reach the graph; whether the last cycle had a connection; the notes the
  // receiver was sent on and not yet off.
  jack_nframes_t frames_waited = 0;
  bool ever_connected = false;
  bool was_connected = false;
  std::array<std::bitset<128>, 16> delivered{};

  // jack_server_losses() when the client opened.
  uint64_t losses_at_open = 0;
  // The client was closed here (or never opened): the queue is ours to free.
  bool closed = false;

  static void shutdown(void* arg) {
    note_jack_server_lost();
    static_cast<Client*>(arg)->server_gone = true;
  }

  // The server this client talked to went away: the client may already be
  // freed by libjack and must never be called again.
  bool lost() const { return server_gone || jack_server_losses() != losses_at_open; }

  void want(const NoteChange& change) {
    std::atomic<uint64_t>& word = wanted[change.channel * 2 + change.note / 64];
    const uint64_t bit = uint64_t{1} << (change.note % 64);
    if (change.on) {
      word.fetch_or(bit, std::memory_order_relaxed);
    } else {
      word.fetch_and(~bit, std::memory_order_relaxed);
    }
  }
  bool wants(unsigned channel, unsigned note) const {
    return (wanted[channel * 2 + note / 64].load(std::memory_order_relaxed) >> (note % 64)) & 1;
  }

  // The receiver still sounds the notes whose note-offs found no connection or
  // no room in the queue; they end before anything else goes out.
  void end_notes_switched_off_meanwhile(void* buffer) {
    for (unsigned channel = 0; channel < 16; ++channel) {
      if (delivered[channel].none()) continue;
      for (unsigned note = 0; note < 128; ++note) {
        if (!delivered[channel].test(note) || wants(channel, note)) continue;
        const auto off =
            ShortMessage::note_off(static_cast<int>(channel), static_cast<int>(note)).bytes();
        if (jack_midi_event_write(buffer, 0, off.data(), off.size()) != 0) {
          overflowed = true;  // the rest in the next cycle
          return;
        }
        delivered[channel].reset(note);
      }
    }
  }

  static int process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<Client*>(arg);
    void* buffer = jack_port_get_buffer(self->port, frames);
    jack_midi_clear_buffer(buffer);
    const bool connected = jack_port_connected(self->port) > 0;
    const bool reconnected = connected && !self->was_connected && self->ever_connected;
    if (connected && (reconnected || self->overflowed.exchange(false))) {
      self->end_notes_switched_off_meanwhile(buffer);
    }
    self->was_connected = connected;
    self->ever_connected = self->ever_connected || connected;
    // A new connection takes effect some cycles after it is made: right after the
    // open, the queue waits for it a little.
    const bool awaiting_first =
        !self->ever_connected && self->frames_waited < jack_get_sample_rate(self->client) / 10;
    if (awaiting_first) self->frames_waited += frames;
    unsigned char record[kRecord];
    while (!awaiting_first &&
           jack_ringbuffer_peek(self->queue, reinterpret_cast<char*>(record), kRecord) == kRecord) {
      // Without a connection the message is dropped now rather than kept to
      // arrive, stale and out of order, in one burst after a reconnection.
      if (connected) {
        // A full port buffer keeps the rest for the next cycle, in order.
        if (jack_midi_event_write(buffer, 0, record + 1, record[0]) != 0) break;
        NoteChange change;
        if (note_change(record + 1, record[0], change))
          self->delivered[change.channel].set(change.note, change.on);
      }
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
      while (!done() && !lost() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    };
    wait_for([&] { return jack_ringbuffer_read_space(queue) == 0; });
    const uint64_t seen = cycles.load(std::memory_order_acquire);
    wait_for([&] { return cycles.load(std::memory_order_acquire) >= seen + 2; });
  }

  // Opens the client, its port and its connection, all under the clients' lock.
  Result open(const std::string& target_port);

  // Deactivates and closes the client, unless its server was lost: then it is
  // forgotten, and its queue too, which a process thread of the lost server
  // might still read. Idempotent.
  void shut() {
    const auto lock = jack_clients_lock();
    if (client != nullptr && !lost()) {
      // Stops the process callback before the queue it reads goes away.
      jack_deactivate(client);
      jack_client_close(client);
      closed = true;
    }
    closed = closed || client == nullptr;
    client = nullptr;
  }

  ~Client() {
    shut();
    if (queue != nullptr && closed) jack_ringbuffer_free(queue);
  }
};

namespace {
std::vector<std::string> midi_inputs_of(jack_client_t* client) {
  std::vector<std::string> names;
  if (const char** ports =
          jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput)) {
    for (const char** port = ports; *port != nullptr; ++port) names.emplace_back(*port);
    jack_free(ports);
  }
  return names;
}
}  // namespace

struct JackPortWatch::Client {
  explicit Client(int fd) : wake_fd(fd) {}

  jack_client_t* client = nullptr;
  std::atomic<bool> server_gone{false};
  uint64_t losses_at_open = 0;
  const int wake_fd;

  // JACK's notices, on its own thread: they only wake the reader, which must not
  // block, allocate or call JACK here.
  static void wake(int fd) {
    if (fd < 0) return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(fd, &one, sizeof one);
  }
  void wake() const { wake(wake_fd); }
  static void port_registered(jack_port_id_t, int, void* arg) { static_cast<Client*>(arg)->wake(); }
  static void client_registered(const char*, int, void* arg) { static_cast<Client*>(arg)->wake(); }
  static void port_renamed(jack_port_id_t, const char*, const char*, void* arg) {
    static_cast<Client*>(arg)->wake();
  }
  // Once the loss is noted the reader may free this client at any moment: what
  // comes after touches nothing of it.
  static void shutdown(void* arg) {
    auto* self = static_cast<Client*>(arg);
    const int fd = self->wake_fd;
    self->server_gone = true;
    note_jack_server_lost();
    wake(fd);
  }
  // Before the client runs, as JACK asks.
  bool listen() {
    jack_on_shutdown(client, &Client::shutdown, this);
    if (wake_fd < 0) return true;
    return jack_set_port_registration_callback(client, &Client::port_registered, this) == 0 &&
           jack_set_client_registration_callback(client, &Client::client_registered, this) == 0 &&
           jack_set_port_rename_callback(client, &Client::port_renamed, this) == 0;
  }
  // As JackMidiOutput's: a client of a lost server is forgotten, never called.
  bool lost() const { return server_gone || jack_server_losses() != losses_at_open; }
  // Under the clients' lock.
  ~Client() {
    if (client != nullptr && !lost()) jack_client_close(client);
  }
};

JackPortWatch::JackPortWatch(int wake_fd)
    : next_try_(std::chrono::steady_clock::now()), wake_fd_(wake_fd) {}
JackPortWatch::~JackPortWatch() {
  const auto lock = jack_clients_lock();
  client_.reset();
}

bool JackPortWatch::server_found() const {
  return client_ != nullptr;
}

std::vector<std::string> JackPortWatch::midi_inputs() {
  const auto lock = jack_clients_lock();
  if (client_ && client_->lost()) client_.reset();
  if (!client_) {
    // Looking for a server that is not there takes milliseconds, and the start's
    // own look comes just before the watch thread's: a server that starts later
    // is looked for now and then only.
    const auto now = std::chrono::steady_clock::now();
    if (now < next_try_) return {};
    next_try_ = now + kServerRetry;
    auto c = std::make_unique<Client>(wake_fd_);
    c->losses_at_open = jack_server_losses();
    c->client = open_client("tastarion-list");
    if (c->client == nullptr) return {};
    // This open may have freed the clients of a lost server (counted as a loss).
    c->losses_at_open = jack_server_losses();
    // Told when the server goes, so that no later call talks to a dead one.
    if (!c->listen() || jack_activate(c->client) != 0) return {};
    client_ = std::move(c);
  }
  return midi_inputs_of(client_->client);
}

JackMidiOutput::JackMidiOutput() = default;
JackMidiOutput::~JackMidiOutput() {
  close();
}

Result JackMidiOutput::Client::open(const std::string& target_port) {
  DriverMessages messages;
  // The reason, with the last thing JACK itself said about it.
  const auto fail = [&](std::string why) {
    const std::vector<std::string> said = messages.take();
    if (!said.empty()) why += " (" + said.back() + ")";
    return Result::failure(why + ".");
  };
  const auto lock = jack_clients_lock();
  client = open_client(kClientName);
  if (client == nullptr) return fail("no JACK server runs");
  // This open may have freed the clients of a lost server (counted as a loss).
  losses_at_open = jack_server_losses();
  queue = jack_ringbuffer_create(kQueueBytes);
  if (queue == nullptr) return fail("out of memory");
  jack_ringbuffer_mlock(queue);
  port = jack_port_register(client, kPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  if (port == nullptr) return fail("JACK refused the output port");
  if (!target_port.empty()) {
    jack_port_t* target = jack_port_by_name(client, target_port.c_str());
    if (target == nullptr || !(jack_port_flags(target) & JackPortIsInput)) {
      return fail("the port is gone");
    }
  }
  // The shutdown callback goes in before the client runs, as JACK asks.
  jack_on_shutdown(client, &Client::shutdown, this);
  if (jack_set_process_callback(client, &Client::process, this) != 0 ||
      jack_activate(client) != 0) {
    return fail("JACK did not start the client");
  }
  if (!target_port.empty()) {
    const int connected = jack_connect(client, jack_port_name(port), target_port.c_str());
    if (connected != 0 && connected != EEXIST) return fail("JACK refused the connection");
  }
  return Result::success();
}

// A client of a lost server is never freed: a process thread that libjack
// has not stopped yet may still be in its callback.
void JackMidiOutput::keep_if_lost(const std::shared_ptr<Client>& c) {
  if (c->closed) return;
  static std::mutex mutex;
  static auto* kept = new std::vector<std::shared_ptr<Client>>;
  std::lock_guard lock(mutex);
  kept->push_back(c);
}

Result JackMidiOutput::open(const std::string& target_port) {
  close();
  // A server that takes the connection and never answers holds up the worker,
  // not the caller; the worker closes what it opened if it ever comes back.
  auto c = std::make_shared<Client>();
  auto opened = std::make_shared<Result>(Result::failure("not opened"));
  if (!run_within_jack_limit([c, opened, target_port] {
        *opened = c->open(target_port);
        if (*opened) return;
        c->shut();
        keep_if_lost(c);
      })) {
    return Result::failure("the JACK server did not answer within " +
                           std::to_string(kJackAnswerLimit.count()) + " seconds.");
  }
  if (!*opened) return *opened;
  client_ = std::move(c);
  return Result::success();
}

bool JackMidiOutput::lost() const {
  return client_ && client_->lost();
}

void JackMidiOutput::close() {
  if (!client_) return;
  client_->drain();
  // A close stuck in libjack is left behind with its client.
  run_within_jack_limit([c = std::move(client_)] {
    c->shut();
    keep_if_lost(c);
  });
}

void JackMidiOutput::send(const unsigned char* bytes, size_t length) noexcept {
  if (!client_ || length == 0 || length >= kRecord) return;
  unsigned char record[kRecord] = {static_cast<unsigned char>(length)};
  for (size_t i = 0; i < length; ++i) record[i + 1] = bytes[i];
  NoteChange change;
  if (note_change(bytes, length, change)) client_->want(change);
  if (jack_ringbuffer_write_space(client_->queue) < kRecord) {
    client_->overflowed = true;
    return;
  }
  // One write publishes the whole record to the process callback at once.
  jack_ringbuffer_write(client_->queue, reinterpret_cast<const char*>(record), kRecord);
}

}  // namespace tastarion
