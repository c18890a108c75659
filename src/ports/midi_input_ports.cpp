#include "ports/midi_input_ports.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "engine/midi_input_feed.h"
#include "platform/bounded_join.h"
#include "platform/quiet_drivers.h"
#include "platform/wake_fd.h"
#include "ports/jack_client.h"
#include "ports/rtmidi_errors.h"

namespace tastarion {

namespace {

// How long the end waits for the thread busy with a server.
constexpr auto kStopLimit = std::chrono::seconds(1);

// Whether the ALSA port is open now, for is_own_alsa_input_port.
std::mutex own_names_lock;
bool own_alsa_open = false;

// The JACK input port's user: the process callback reads the events into the
// feed and wakes the window; no lock, no allocation, no wait.
class JackInput final : public JackPortUser {
 public:
  JackInput(MidiInputFeed& feed, const WakeFd& wake) : feed_(feed), wake_(wake) {}

  void process(const JackCycle& cycle) noexcept override {
    void* buffer = jack_port_get_buffer(cycle.port, cycle.frames);
    feed_.settle_owed();
    const uint32_t count = jack_midi_get_event_count(buffer);
    for (uint32_t i = 0; i < count; ++i) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, buffer, i) == 0) feed_.read(event.buffer, event.size);
    }
    feed_.end_batch();
    if (feed_.take_queued()) wake_.wake();
  }
  // The notes of the server that went end, once the window has room for it.
  bool server_lost() override {
    if (!feed_.port_lost()) return false;
    wake_.wake();
    return true;
  }

 private:
  MidiInputFeed& feed_;
  const WakeFd& wake_;
};

// The ALSA sequencer port, through RtMidi, whose own thread feeds the queue.
class AlsaInput {
 public:
  AlsaInput(MidiInputFeed& feed, const WakeFd& wake) : feed_(feed), wake_(wake) {}
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
    // RtMidi hands over one message at a time: a batch of one.
    self->feed_.read(message->data(), message->size());
    self->feed_.end_batch();
    if (self->feed_.take_queued()) self->wake_.wake();
  }

  MidiInputFeed& feed_;
  const WakeFd& wake_;
  std::unique_ptr<RtMidiIn> in_;
  RtMidiErrors errors_;
};

}  // namespace

bool is_own_alsa_input_port(const std::string& name) {
  std::lock_guard lock(own_names_lock);
  // RtMidi names an ALSA port "client:port client-id:port-id".
  const std::string own = std::string(kInputAlsaClient) + ":" + kInputAlsaPort + " ";
  return own_alsa_open && name.rfind(own, 0) == 0;
}

// Shared with the thread, so that a thread left behind still has it. The wake
// is declared first, to outlive the ports that write to it.
struct MidiInputPorts::State {
  State(Sources s, TraceSink e) : sources(s), errors(std::move(e)) {}

  // Opens the ports, then waits for the stop: the JACK client brings the JACK
  // port back by itself whenever a lost server returns.
  void watch() {
    std::string alsa_why = "the ALSA sequencer is not tried";
    if (sources.alsa) {
      alsa = std::make_unique<AlsaInput>(alsa_feed, wake);
      if (!alsa->open(alsa_why)) alsa.reset();
    }
    Result jack_open = Result::failure("JACK is not tried");
    if (sources.jack) {
      jack = JackClient::shared();
      jack_open = jack->attach_input(std::make_shared<JackInput>(jack_feed, wake));
    }
    if (!jack_open && !alsa) {
      errors("No MIDI input port: " + jack_open.reason() + " and " + alsa_why +
             "; the input port opens when a JACK server starts.\n");
    }
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [this] { return stop; });
    }
    if (jack) jack->detach_input();
    jack.reset();
    alsa.reset();
    done = true;
  }

  const Sources sources;
  const TraceSink errors;
  const WakeFd wake;
  MidiInputFeed jack_feed{kJackInputPort};
  MidiInputFeed alsa_feed{kAlsaInputPort};
  // The thread's alone.
  std::shared_ptr<JackClient> jack;
  std::unique_ptr<AlsaInput> alsa;
  std::mutex mutex;
  std::condition_variable changed;
  bool stop = false;
  std::atomic<bool> done{false};
};

MidiInputPorts::MidiInputPorts(Sources sources, TraceSink errors)
    : state_(std::make_shared<State>(sources, std::move(errors))) {}

void MidiInputPorts::start() {
  if (thread_.joinable() || state_->wake.fd() < 0) return;
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
  return state_->wake.fd();
}

void MidiInputPorts::clear_wake() {
  state_->wake.clear();
}

void MidiInputPorts::wake() {
  state_->wake.wake();
}

bool MidiInputPorts::pop(MidiInput& out) {
  return state_->jack_feed.pop(out) || state_->alsa_feed.pop(out);
}

}  // namespace tastarion
