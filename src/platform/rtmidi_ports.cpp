#include "platform/rtmidi_ports.h"

#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <iostream>

#include "platform/jack_midi_output.h"
#include "platform/quiet_drivers.h"

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

void note_error(RtMidiError::Type type, const std::string&, void* failed) {
  if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING) {
    *static_cast<bool*>(failed) = true;
  }
}

// Without the sequencer device, ALSA's library prints its failure itself.
bool alsa_sequencer_usable() {
  return access("/dev/snd/seq", R_OK | W_OK) == 0;
}

// An ALSA sequencer client, its errors reported into `failed`; null when there
// is no sequencer here.
std::unique_ptr<RtMidiOut> make_alsa_client(bool* failed) {
  quiet_sound_drivers();
  if (!alsa_sequencer_usable()) return nullptr;
  MuteCerr mute;
  try {
    auto out = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kClientName);
    out->setErrorCallback(note_error, failed);
    return out;
  } catch (...) {
    return nullptr;
  }
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
std::vector<std::string> alsa_ports_of(RtMidiOut& out, bool& failed) {
  failed = false;
  std::vector<std::string> names;
  try {
    const unsigned count = out.getPortCount();
    for (unsigned i = 0; i < count && !failed; ++i) {
      std::string name = out.getPortName(i);
      if (!name.empty()) names.push_back(std::move(name));
    }
  } catch (...) {
    failed = true;
  }
  if (failed) names.clear();
  return names;
}
}  // namespace

PortLister::PortLister() = default;
PortLister::~PortLister() = default;

std::vector<std::string> PortLister::list(PortApi api) {
  if (api == PortApi::jack) {
    if (!jack_) jack_ = std::make_unique<JackPortWatch>();
    return jack_->midi_inputs();
  }
  // The client is made once: the sequencer tells it of every port as it stands.
  if (!alsa_) alsa_ = make_alsa_client(&alsa_failed_);
  if (!alsa_) return {};
  return alsa_ports_of(*alsa_, alsa_failed_);
}

bool PortLister::found(PortApi api) const {
  if (api == PortApi::jack) return jack_ && jack_->server_found();
  return alsa_ && !alsa_failed_;
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
  failed_ = false;
  auto out = make_alsa_client(&failed_);
  if (!out) return Result::failure("the ALSA sequencer is not available.");
  try {
    const unsigned count = out->getPortCount();
    for (unsigned i = 0; i < count && !failed_; ++i) {
      if (out->getPortName(i) != id.name) continue;
      out->openPort(i, kPortName);
      if (!failed_ && out->isPortOpen()) {
        alsa_ = std::move(out);
        return Result::success();
      }
      return Result::failure("the ALSA sequencer refused the connection.");
    }
  } catch (const RtMidiError& error) {
    return Result::failure("the ALSA sequencer refused: " + error.getMessage());
  } catch (...) {
    return Result::failure("the ALSA sequencer refused the connection.");
  }
  return Result::failure("the port is gone.");
}

Result OutputPort::open_own() {
  close();
  auto jack = std::make_unique<JackMidiOutput>();
  const Result jack_opened = jack->open("");
  if (jack_opened) jack_ = std::move(jack);
  failed_ = false;
  if (auto out = make_alsa_client(&failed_)) {
    try {
      out->openVirtualPort(kPortName);
      if (!failed_) alsa_ = std::move(out);
    } catch (...) {
    }
  }
  if (is_open()) return Result::success();
  return Result::failure("neither a JACK server nor the ALSA sequencer runs here (JACK: " +
                         jack_opened.reason() + ")");
}

bool OutputPort::lost() const {
  return jack_ && jack_->lost() && !alsa_;
}

void OutputPort::close() {
  jack_.reset();
  if (!alsa_) return;
  try {
    alsa_->closePort();
  } catch (...) {
  }
  alsa_.reset();
}

void OutputPort::send(ShortMessage message) noexcept {
  if (!is_open()) return;
  const unsigned char bytes[3] = {message.status(), message.data1(), message.data2()};
  const size_t length = message_length(bytes[0]);
  if (length == 0) return;
  if (jack_) jack_->send(bytes, length);
  if (!alsa_) return;
  try {
    alsa_->sendMessage(bytes, length);
  } catch (...) {
  }
}

}  // namespace tastarion
