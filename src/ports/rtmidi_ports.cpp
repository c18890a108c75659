#include "ports/rtmidi_ports.h"

#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <iostream>

#include "platform/quiet_drivers.h"
#include "ports/jack_client.h"
#include "ports/jack_midi_output.h"

namespace tastarion {

namespace {

constexpr const char* kClientName = "Tastarion";
constexpr const char* kPortName = "output";

// RtMidi reports to std::cerr until an error callback can be set, which is only
// after construction; its constructor's complaints are swallowed here.
class MuteCerr {
 public:
  MuteCerr() : saved_(std::cerr.rdbuf(nullptr)) {}
  ~MuteCerr() { std::cerr.rdbuf(saved_); }
  MuteCerr(const MuteCerr&) = delete;
  MuteCerr& operator=(const MuteCerr&) = delete;

 private:
  std::streambuf* saved_;
};

// Without the sequencer device, ALSA's library prints its failure itself.
bool alsa_sequencer_usable() {
  return access("/dev/snd/seq", R_OK | W_OK) == 0;
}

// An ALSA sequencer client whose errors go to `errors`; null, with the reason
// in `why`, when there is no sequencer here or RtMidi cannot open a client.
std::unique_ptr<RtMidiOut> make_alsa_client(RtMidiErrors& errors, std::string& why) {
  quiet_sound_drivers();
  errors.clear();
  if (!alsa_sequencer_usable()) {
    why = "the ALSA sequencer is not available.";
    return nullptr;
  }
  MuteCerr mute;
  std::unique_ptr<RtMidiOut> out;
  const bool made = errors.attempt([&] {
    out = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kClientName);
    out->setErrorCallback(&RtMidiErrors::callback, &errors);
  });
  if (made) return out;
  why = errors.reason("the ALSA sequencer is not available") + ".";
  return nullptr;
}

// Bytes in a channel or system message, by its status byte; 0 for what a
// short message cannot carry (data bytes, system exclusive).
size_t message_length(uint8_t status) {
  if (status < 0x80) return 0;
  if (status < 0xF0) return 1 + static_cast<size_t>(ShortMessage::data_length(status));
  switch (status) {
    case 0xF1:
    case 0xF3:
      return 2;
    case 0xF2:
      return 3;
    case 0xF0:
    case 0xF7:
      return 0;
    default:
      return 1;
  }
}

}  // namespace

namespace {
// The ports `out` can write to; empty when the sequencer fails.
std::vector<std::string> alsa_ports_of(RtMidiOut& out, RtMidiErrors& errors) {
  errors.clear();
  std::vector<std::string> names;
  errors.attempt([&] {
    const unsigned count = out.getPortCount();
    for (unsigned i = 0; i < count && !errors.failed(); ++i) {
      std::string name = out.getPortName(i);
      if (!name.empty()) names.push_back(std::move(name));
    }
  });
  if (errors.failed()) names.clear();
  return names;
}
}  // namespace

PortLister::PortLister() = default;
PortLister::~PortLister() = default;

std::vector<std::string> PortLister::list(PortApi api) {
  if (api == PortApi::jack) {
    if (!jack_) jack_ = JackClient::shared();
    return jack_->midi_inputs();
  }
  // The client is made once: the sequencer tells it of every port as it stands.
  // Listing is silent: the reasons matter only to an open.
  std::string why;
  if (!alsa_) alsa_ = make_alsa_client(alsa_errors_, why);
  if (!alsa_) return {};
  return alsa_ports_of(*alsa_, alsa_errors_);
}

bool PortLister::found(PortApi api) const {
  if (api == PortApi::jack) return jack_ && jack_->server_found();
  return alsa_ && !alsa_errors_.failed();
}

OutputPort::OutputPort() = default;
OutputPort::~OutputPort() {
  close();
}

Result OutputPort::open(const PortId& id) {
  close();
  if (id.api == PortApi::jack) {
    auto jack = std::make_unique<JackMidiOutput>();
    Result opened = jack->open(id.name);
    if (opened) jack_ = std::move(jack);
    return opened;
  }
  std::string why;
  auto out = make_alsa_client(errors_, why);
  if (!out) return Result::failure(why);
  bool found = false;
  errors_.attempt([&] {
    const unsigned count = out->getPortCount();
    for (unsigned i = 0; i < count && !found && !errors_.failed(); ++i) {
      found = out->getPortName(i) == id.name;
      if (found) out->openPort(i, kPortName);
    }
  });
  if (!found && !errors_.failed()) return Result::failure("the port is gone.");
  if (errors_.failed() || !out->isPortOpen()) {
    return Result::failure(errors_.reason("the ALSA sequencer refused the connection") + ".");
  }
  alsa_ = std::move(out);
  return Result::success();
}

Result OutputPort::open_own() {
  close();
  auto jack = std::make_unique<JackMidiOutput>();
  const Result jack_opened = jack->open("");
  if (jack_opened) jack_ = std::move(jack);
  std::string alsa_why;
  if (auto out = make_alsa_client(errors_, alsa_why)) {
    if (errors_.attempt([&] { out->openVirtualPort(kPortName); })) {
      alsa_ = std::move(out);
    } else {
      alsa_why = errors_.reason("the ALSA sequencer refused the port") + ".";
    }
  }
  if (is_open()) return Result::success();
  return Result::failure("neither a JACK server nor the ALSA sequencer runs here (JACK: " +
                         jack_opened.reason() + " ALSA: " + alsa_why + ")");
}

bool OutputPort::lost() const {
  return jack_ && jack_->lost() && !alsa_;
}

void OutputPort::close() {
  jack_.reset();
  if (!alsa_) return;
  errors_.attempt([this] { alsa_->closePort(); });
  alsa_.reset();
}

void OutputPort::send(ShortMessage message) noexcept {
  if (!is_open()) return;
  const unsigned char bytes[3] = {message.status(), message.data1(), message.data2()};
  const size_t length = message_length(bytes[0]);
  if (length == 0) return;
  if (jack_) jack_->send(bytes, length);
  if (!alsa_) return;
  // A message the sequencer refuses is dropped.
  errors_.attempt([&] { alsa_->sendMessage(bytes, length); });
}

}  // namespace tastarion
