#include "ports/midi_input_ports.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "engine/midi_input_feed.h"
#include "platform/bounded_join.h"
#include "platform/jack_clients.h"
#include "platform/quiet_drivers.h"
#include "ports/rtmidi_errors.h"

namespace tastarion {

namespace {

// How often the thread looks whether the JACK server went or came.
constexpr auto kWatchPeriod = std::chrono::milliseconds(100);
// How long after looking for a JACK server in vain the next look comes.
constexpr auto kServerRetry = std::chrono::seconds(1);
// How long the end waits for the thread busy with a server.
constexpr auto kStopLimit = std::chrono::seconds(1);

// The full names of the ports open now, for is_own_input_port.
std::mutex own_names_lock;
std::string own_jack_name;
bool own_alsa_open = false;

void set_own_jack_name(std::string name) {
  std::lock_guard lock(own_names_lock);
  own_jack_name = std::move(name);
}

void wake_up(int fd) {
  const uint64_t one = 1;
  // A full counter still wakes the reader; nothing to do about a failure here.
  [[maybe_unused]] const ssize_t written = write(fd, &one, sizeof one);
}

// The JACK client with its input port. The process callback reads the events
// into the feed and wakes the window: no lock, no allocation, no wait. Its JACK
// calls keep the rules of jack_clients.h.
struct JackInput {
  JackInput(MidiInputFeed& f, int fd) : feed(f), wake_fd(fd) {}
  JackInput(const JackInput&) = delete;
  JackInput& operator=(const JackInput&) = delete;

  static int process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<JackInput*>(arg);
    void* buffer = jack_port_get_buffer(self->port, frames);
    self->feed.settle_owed();
    const uint32_t count = jack_midi_get_event_count(buffer);
    for (uint32_t i = 0; i < count; ++i) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, buffer, i) == 0) self->feed.read(event.buffer, event.size);
    }
    if (self->feed.take_queued()) wake_up(self->wake_fd);
    return 0;
  }
  static void shutdown(void* arg) {
    note_jack_server_lost();
    static_cast<JackInput*>(arg)->server_gone = true;
  }

  // The server this client talked to went away: libjack may already have freed
  // the client, which must never be called again.
  bool lost() const { return server_gone || jack_server_losses() != losses_at_open; }

  MidiInputFeed& feed;
  const int wake_fd;
  jack_client_t* client = nullptr;
  jack_port_t* port = nullptr;
  uint64_t losses_at_open = 0;
  std::atomic<bool> server_gone{false};
};

// Deactivates and closes the client, under the clients' lock, unless its server
// was lost: then it is only forgotten, and kept, since a process thread of the
// lost server might still be in its callback.
void close_jack_input(std::unique_ptr<JackInput> input) {
  if (!input) return;
  const auto lock = jack_clients_lock();
  if (input->client == nullptr || !input->lost()) {
    if (input->client != nullptr) {
      jack_deactivate(input->client);
      jack_client_close(input->client);
    }
    return;
  }
  static auto* kept = new std::vector<std::unique_ptr<JackInput>>;
  kept->push_back(std::move(input));
}

// The port on a running server, or null with the reason.
std::unique_ptr<JackInput> open_jack_input(MidiInputFeed& feed, int wake_fd, std::string& why) {
  quiet_sound_drivers();
  auto input = std::make_unique<JackInput>(feed, wake_fd);
  {
    const auto lock = jack_clients_lock();
    jack_status_t status;
    input->client = jack_client_open(kInputJackClient, JackNoStartServer, &status);
    if (input->client == nullptr) {
      why = "no JACK server runs";
      return nullptr;
    }
    // This open may have freed the clients of a lost server (counted as a loss).
    input->losses_at_open = jack_server_losses();
    // Known as ours before other clients can see it.
    set_own_jack_name(std::string(jack_get_client_name(input->client)) + ":" + kInputJackPort);
    input->port = jack_port_register(input->client, kInputJackPort, JACK_DEFAULT_MIDI_TYPE,
                                     JackPortIsInput, 0);
    // Told when the server goes, before the client runs, as JACK asks.
    jack_on_shutdown(input->client, &JackInput::shutdown, input.get());
    if (input->port != nullptr &&
        jack_set_process_callback(input->client, &JackInput::process, input.get()) == 0 &&
        jack_activate(input->client) == 0) {
      return input;
    }
  }
  why = "the JACK server refused the input port";
  close_jack_input(std::move(input));
  return nullptr;
}

// The ALSA sequencer port, through RtMidi, whose own thread feeds the queue.
class AlsaInput {
 public:
  AlsaInput(MidiInputFeed& feed, int wake_fd) : feed_(feed), wake_fd_(wake_fd) {}
  ~AlsaInput() {
    if (!in_) return;
    {
      std::lock_guard lock(own_names_lock);
      own_alsa_open = false;
    }
    errors_.attempt([this] {
      in_->cancelCallback();
      in_->closePort();
    });
  }
  AlsaInput(const AlsaInput&) = delete;
  AlsaInput& operator=(const AlsaInput&) = delete;

  // False, with the reason, when the sequencer is not there or refuses.
  bool open(std::string& why) {
    quiet_sound_drivers();
    // Without the sequencer device, ALSA's library would print its failure itself.
    if (access("/dev/snd/seq", R_OK | W_OK) != 0) {
      why = "the ALSA sequencer is not available";
      return false;
    }
    const bool opened = errors_.attempt([this] {
      in_ = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, kInputAlsaClient);
      in_->setErrorCallback(&RtMidiErrors::callback, &errors_);
      // System Exclusive, timing and active sensing are left out by the driver already.
      in_->ignoreTypes(true, true, true);
      in_->setCallback(&AlsaInput::on_message, this);
      in_->openVirtualPort(kInputAlsaPort);
    });
    if (!opened) {
      in_.reset();
      why = errors_.reason("the ALSA sequencer refused the input port");
      return false;
    }
    std::lock_guard lock(own_names_lock);
    own_alsa_open = true;
    return true;
  }

 private:
  static void on_message(double, std::vector<unsigned char>* message, void* arg) {
    auto* self = static_cast<AlsaInput*>(arg);
    if (message == nullptr) return;
    self->feed_.settle_owed();
    self->feed_.read(message->data(), message->size());
    if (self->feed_.take_queued()) wake_up(self->wake_fd_);
  }

  MidiInputFeed& feed_;
  const int wake_fd_;
  std::unique_ptr<RtMidiIn> in_;
  RtMidiErrors errors_;
};

}  // namespace

bool is_own_input_port(bool jack, const std::string& name) {
  std::lock_guard lock(own_names_lock);
  if (jack) return !own_jack_name.empty() && name == own_jack_name;
  // RtMidi names an ALSA port "client:port client-id:port-id".
  const std::string own = std::string(kInputAlsaClient) + ":" + kInputAlsaPort + " ";
  return own_alsa_open && name.rfind(own, 0) == 0;
}

// Shared with the thread, so that a thread left behind still has it.
struct MidiInputPorts::State {
  State(Sources s, TraceSink e) : sources(s), errors(std::move(e)) {}
  ~State() {
    if (wake_fd >= 0) close(wake_fd);
  }

  // Waits a period, or until told to stop; true when told to stop.
  bool pause(std::chrono::milliseconds period) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, period, [this] { return stop; });
  }

  void watch() {
    std::string alsa_why = "the ALSA sequencer is not tried";
    if (sources.alsa) {
      alsa = std::make_unique<AlsaInput>(alsa_feed, wake_fd);
      if (!alsa->open(alsa_why)) alsa.reset();
    }
    auto next_try = std::chrono::steady_clock::now();
    bool told = false;
    bool lost_owed = false;
    do {
      if (jack && jack->lost()) {
        jack_is_open = false;
        close_jack_input(std::move(jack));
        lost_owed = true;
      }
      // The notes of the server that went end, once the window has room for it.
      if (lost_owed && jack_feed.port_lost()) {
        lost_owed = false;
        wake_up(wake_fd);
      }
      std::string jack_why = "JACK is not tried";
      if (sources.jack && !jack && !lost_owed && std::chrono::steady_clock::now() >= next_try) {
        next_try = std::chrono::steady_clock::now() + kServerRetry;
        jack = open_jack_input(jack_feed, wake_fd, jack_why);
        jack_is_open = jack != nullptr;
      }
      if (!told) {
        told = true;
        if (!jack && !alsa) {
          errors("No MIDI input port: " + jack_why + " and " + alsa_why +
                 "; the input port opens when a JACK server starts.\n");
        }
      }
    } while (!pause(kWatchPeriod));
    close_jack_input(std::move(jack));
    alsa.reset();
    done = true;
  }

  const Sources sources;
  const TraceSink errors;
  const int wake_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  MidiInputFeed jack_feed{kJackInputPort};
  MidiInputFeed alsa_feed{kAlsaInputPort};
  // The thread's alone.
  std::unique_ptr<JackInput> jack;
  std::unique_ptr<AlsaInput> alsa;
  std::atomic<bool> jack_is_open{false};
  std::mutex mutex;
  std::condition_variable changed;
  bool stop = false;
  std::atomic<bool> done{false};
};

MidiInputPorts::MidiInputPorts(Sources sources, TraceSink errors)
    : state_(std::make_shared<State>(sources, std::move(errors))) {}

void MidiInputPorts::start() {
  if (thread_.joinable() || state_->wake_fd < 0) return;
  thread_ = std::thread([state = state_] { state->watch(); });
}

void MidiInputPorts::stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(state_->mutex);
    state_->stop = true;
  }
  state_->changed.notify_all();
  join_within(thread_, state_->done, kStopLimit, "the MIDI input ports");
}

int MidiInputPorts::wake_fd() const {
  return state_->wake_fd;
}

void MidiInputPorts::clear_wake() {
  uint64_t count;
  [[maybe_unused]] const ssize_t got = read(state_->wake_fd, &count, sizeof count);
}

void MidiInputPorts::wake() {
  wake_up(state_->wake_fd);
}

bool MidiInputPorts::pop(MidiInput& out) {
  return state_->jack_feed.pop(out) || state_->alsa_feed.pop(out);
}

bool MidiInputPorts::jack_open() const {
  return state_->jack_is_open;
}

}  // namespace tastarion
