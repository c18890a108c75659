#include "ports/jack_client.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <poll.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>

#include "platform/bounded_join.h"
#include "platform/jack_clients.h"
#include "platform/quiet_drivers.h"
#include "platform/wake_fd.h"

namespace tastarion {

namespace {

// How long the end waits for the client's thread busy with a server.
constexpr auto kStopLimit = std::chrono::seconds(1);
// How long a port's user waits to be out of the process callback before the
// port goes; a server that runs no cycle in that time is stuck.
constexpr auto kCycleLimit = std::chrono::milliseconds(250);
// How soon a user that had no room to take a loss is asked again.
constexpr auto kLossRetry = std::chrono::milliseconds(100);

// Who hears of changes: the client's own thread, and the subscribers. Shared
// with every connection, whose callbacks may come until it is closed.
struct Notices {
  WakeFd thread;
  // A change of ports that the graph shows now, for the thread to tell.
  WakeFd graph;
  std::mutex mutex;
  std::vector<const WakeFd*> subscribers;

  void tell() {
    std::lock_guard lock(mutex);
    for (const WakeFd* fd : subscribers) fd->wake();
  }
};

// One port and what uses it. The process callback reads the two atomics; the
// rest is under jack_clients_lock().
struct Slot {
  std::atomic<JackPortUser*> rt_user{nullptr};
  std::atomic<jack_port_t*> port{nullptr};
  std::shared_ptr<JackPortUser> user;
};

}  // namespace

// The client opened on one run of a server. Once that server is lost it is
// never called again, and kept with what its process thread reads.
struct JackClient::Connection {
  explicit Connection(std::shared_ptr<Notices> n) : notices(std::move(n)) {}

  const std::shared_ptr<Notices> notices;
  jack_client_t* client = nullptr;
  // "Tastarion", or the name the server gave in its place.
  std::string name;
  jack_nframes_t sample_rate = 0;
  uint64_t losses_at_open = 0;
  std::atomic<bool> server_gone{false};
  std::atomic<uint64_t> cycles{0};
  // Cycles to run before a change of ports that JACK told of shows in its list.
  std::atomic<int> settling{0};
  Slot input;
  Slot output;

  bool lost() const { return server_gone || jack_server_losses() != losses_at_open; }

  static int process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<Connection*>(arg);
    for (Slot* slot : {&self->input, &self->output}) {
      JackPortUser* user = slot->rt_user.load(std::memory_order_acquire);
      jack_port_t* port = slot->port.load(std::memory_order_acquire);
      if (user != nullptr && port != nullptr) user->process({port, frames, self->sample_rate});
    }
    self->cycles.fetch_add(1, std::memory_order_release);
    int settle = self->settling.load(std::memory_order_relaxed);
    while (settle > 0 && !self->settling.compare_exchange_weak(settle, settle - 1)) {
    }
    if (settle == 1) self->notices->graph.wake();
    return 0;
  }
  // JACK's notices, on its own thread. The server tells of a port before the
  // list that jack_get_ports() reads has it, which happens at the start of a
  // cycle: the readers are woken once a whole cycle has run since.
  static void port_registered(jack_port_id_t, int, void* arg) { told(arg); }
  static void client_registered(const char*, int, void* arg) { told(arg); }
  static void port_renamed(jack_port_id_t, const char*, const char*, void* arg) { told(arg); }
  static void told(void* arg) { static_cast<Connection*>(arg)->settling = 2; }
  static void shutdown(jack_status_t, const char*, void* arg) {
    auto* self = static_cast<Connection*>(arg);
    self->server_gone = true;
    note_jack_server_lost();
    self->notices->thread.wake();
    self->notices->tell();
  }

  // Before the client runs, as JACK asks.
  bool listen() {
    jack_on_info_shutdown(client, &Connection::shutdown, this);
    return jack_set_process_callback(client, &Connection::process, this) == 0 &&
           jack_set_port_registration_callback(client, &Connection::port_registered, this) == 0 &&
           jack_set_client_registration_callback(client, &Connection::client_registered, this) ==
               0 &&
           jack_set_port_rename_callback(client, &Connection::port_renamed, this) == 0;
  }

  // Under the clients' lock.
  jack_port_t* add(Slot& slot, const char* port_name, unsigned long flags,
                   std::shared_ptr<JackPortUser> user) {
    jack_port_t* port = jack_port_register(client, port_name, JACK_DEFAULT_MIDI_TYPE, flags, 0);
    if (port == nullptr) return nullptr;
    slot.user = std::move(user);
    slot.port.store(port, std::memory_order_release);
    slot.rt_user.store(slot.user.get(), std::memory_order_release);
    return port;
  }

  // Takes the slot's user out of the process callback, then its port away. A
  // server that runs no cycle meanwhile keeps the user, and the port too, since
  // unregistering it would hang as well.
  void remove(Slot& slot) {
    std::shared_ptr<JackPortUser> user;
    {
      const auto lock = jack_clients_lock();
      user = std::move(slot.user);
    }
    if (!user) return;
    slot.rt_user.store(nullptr, std::memory_order_release);
    // A cycle that read the user before ends by counting itself.
    const uint64_t seen = cycles.load(std::memory_order_acquire);
    const auto deadline = std::chrono::steady_clock::now() + kCycleLimit;
    while (cycles.load(std::memory_order_acquire) == seen && !lost() &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto lock = jack_clients_lock();
    // A lost connection is kept whole, with its users.
    if (lost()) {
      slot.user = std::move(user);
      return;
    }
    jack_port_t* port = slot.port.exchange(nullptr);
    if (cycles.load(std::memory_order_acquire) == seen) {
      keep_for_lost_server(std::move(user));
      return;
    }
    jack_port_unregister(client, port);
  }
};

struct JackClient::State {
  const std::shared_ptr<Notices> notices = std::make_shared<Notices>();
  std::atomic<bool> found{false};
  std::atomic<bool> stop{false};
  std::atomic<bool> done{false};
  // Under jack_clients_lock().
  std::shared_ptr<Connection> current;
  std::shared_ptr<JackPortUser> input_user;
  // The input's user of a lost server, until it has taken the loss: no client
  // opens before, so that its feed has one writer at a time.
  std::shared_ptr<JackPortUser> loss_owed;
  std::chrono::steady_clock::time_point next_try{};
  // Where the output port is; under its own lock, never held for a JACK call.
  mutable std::mutex output_mutex;
  std::shared_ptr<Connection> output_at;

  // Under the clients' lock: forgets the client of a lost server.
  void forget_lost() {
    if (!current || !current->lost()) return;
    keep_for_lost_server(current);
    if (current->input.user) loss_owed = current->input.user;
    current.reset();
    found = false;
    notices->thread.wake();
    notices->tell();
  }

  // Under the clients' lock: whether the client is open, opening it when no
  // look for a server is due later (or at once when `now`).
  bool connect(bool now) {
    forget_lost();
    if (current) return true;
    if (loss_owed) return false;
    const auto time = std::chrono::steady_clock::now();
    if (!now && time < next_try) return false;
    next_try = time + kJackServerRetry;
    quiet_sound_drivers();
    auto c = std::make_shared<Connection>(notices);
    jack_status_t status;
    c->client = jack_client_open(kJackClientName, JackNoStartServer, &status);
    if (c->client == nullptr) return false;
    // This open may have freed the clients of a lost server.
    c->losses_at_open = jack_server_losses();
    c->name = jack_get_client_name(c->client);
    c->sample_rate = jack_get_sample_rate(c->client);
    if (input_user) c->add(c->input, kJackInputPortName, JackPortIsInput, input_user);
    if (!c->listen() || jack_activate(c->client) != 0) {
      jack_client_close(c->client);
      return false;
    }
    current = std::move(c);
    found = true;
    notices->tell();
    return true;
  }

  void keep() {
    for (;;) {
      int timeout = -1;
      {
        const auto lock = jack_clients_lock();
        if (stop) break;
        forget_lost();
        if (loss_owed && loss_owed->server_lost()) loss_owed.reset();
        connect(false);
        if (loss_owed) {
          timeout = static_cast<int>(kLossRetry.count());
        } else if (!current) {
          const auto wait = next_try - std::chrono::steady_clock::now();
          timeout = static_cast<int>(
              std::max<int64_t>(1, std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
        }
      }
      pollfd fds[] = {{notices->thread.fd(), POLLIN, 0}, {notices->graph.fd(), POLLIN, 0}};
      poll(fds, 2, timeout);
      notices->thread.clear();
      if (fds[1].revents & POLLIN) {
        notices->graph.clear();
        notices->tell();
      }
    }
    const auto lock = jack_clients_lock();
    if (current && !current->lost()) {
      jack_deactivate(current->client);
      jack_client_close(current->client);
    } else if (current) {
      keep_for_lost_server(current);
    }
    current.reset();
    done = true;
  }
};

std::shared_ptr<JackClient> JackClient::shared() {
  static std::mutex mutex;
  static std::weak_ptr<JackClient> living;
  std::lock_guard lock(mutex);
  if (auto client = living.lock()) return client;
  std::shared_ptr<JackClient> client(new JackClient);
  living = client;
  return client;
}

JackClient::JackClient() : state_(std::make_shared<State>()) {
  if (state_->notices->thread.fd() < 0 || state_->notices->graph.fd() < 0) {
    state_->done = true;
    return;
  }
  thread_ = std::thread([state = state_] { state->keep(); });
}

JackClient::~JackClient() {
  if (!thread_.joinable()) return;
  state_->stop = true;
  state_->notices->thread.wake();
  join_within(thread_, state_->done, kStopLimit, "the JACK client");
}

void JackClient::subscribe(const WakeFd& fd) {
  std::lock_guard lock(state_->notices->mutex);
  state_->notices->subscribers.push_back(&fd);
}

void JackClient::unsubscribe(const WakeFd& fd) {
  std::lock_guard lock(state_->notices->mutex);
  std::erase(state_->notices->subscribers, &fd);
}

std::vector<std::string> JackClient::midi_inputs() {
  const auto lock = jack_clients_lock();
  std::vector<std::string> names;
  if (!state_->connect(false)) return names;
  const std::string own = state_->current->name + ":";
  if (const char** ports = jack_get_ports(state_->current->client, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                          JackPortIsInput)) {
    for (const char** port = ports; *port != nullptr; ++port) {
      // The program's own input would play its notes again and again.
      if (std::string_view(*port).starts_with(own)) continue;
      names.emplace_back(*port);
    }
    jack_free(ports);
  }
  return names;
}

bool JackClient::server_found() const {
  return state_->found;
}

Result JackClient::attach_input(std::shared_ptr<JackPortUser> user) {
  const auto lock = jack_clients_lock();
  state_->input_user = user;
  if (!state_->connect(true)) return Result::failure("no JACK server runs");
  Connection& c = *state_->current;
  if (c.input.user) return Result::success();
  if (c.add(c.input, kJackInputPortName, JackPortIsInput, std::move(user)) == nullptr) {
    return Result::failure("the JACK server refused the input port");
  }
  return Result::success();
}

void JackClient::detach_input() {
  std::shared_ptr<Connection> c;
  {
    const auto lock = jack_clients_lock();
    state_->input_user.reset();
    state_->loss_owed.reset();
    c = state_->current;
  }
  if (c) c->remove(c->input);
}

Result JackClient::open_output(std::shared_ptr<JackPortUser> user, const std::string& target) {
  DriverMessages messages;
  // The reason, with the last thing JACK itself said about it.
  const auto fail = [&](std::string why) {
    const std::vector<std::string> said = messages.take();
    if (!said.empty()) why += " (" + said.back() + ")";
    return Result::failure(why + ".");
  };
  std::shared_ptr<Connection> c;
  {
    const auto lock = jack_clients_lock();
    if (!state_->connect(true)) return fail("no JACK server runs");
    c = state_->current;
    if (c->output.user) return fail("the program's JACK output port is in use");
    if (!target.empty()) {
      jack_port_t* to = jack_port_by_name(c->client, target.c_str());
      if (to == nullptr || !(jack_port_flags(to) & JackPortIsInput))
        return fail("the port is gone");
    }
    jack_port_t* port = c->add(c->output, kJackOutputPortName, JackPortIsOutput, std::move(user));
    if (port == nullptr) return fail("JACK refused the output port");
    const int connected =
        target.empty() ? 0 : jack_connect(c->client, jack_port_name(port), target.c_str());
    if (connected == 0 || connected == EEXIST) {
      std::lock_guard output_lock(state_->output_mutex);
      state_->output_at = c;
      return Result::success();
    }
  }
  c->remove(c->output);
  return fail("JACK refused the connection");
}

void JackClient::close_output() {
  std::shared_ptr<Connection> c;
  {
    std::lock_guard lock(state_->output_mutex);
    c = std::move(state_->output_at);
  }
  if (c) c->remove(c->output);
}

bool JackClient::output_lost() const {
  std::lock_guard lock(state_->output_mutex);
  return state_->output_at && state_->output_at->lost();
}

}  // namespace tastarion
