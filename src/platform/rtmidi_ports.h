#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/result.h"
#include "engine/short_message.h"

class RtMidiOut;

namespace tastarion {

class JackMidiOutput;

enum class PortApi { alsa, jack };

// A port is known by its API and full name: indices shift whenever another
// program adds or removes a port, names do not.
struct PortId {
  PortApi api;
  std::string name;
  bool operator==(const PortId&) const = default;
};

// The ports of `api` that take MIDI output (ALSA sequencer ports one can write
// to, JACK MIDI input ports). Empty, and silent, when the API has no sequencer
// device or no running server here.
std::vector<std::string> list_output_ports(PortApi api);

// One open connection to an output port: ALSA through RtMidi, JACK through
// JackMidiOutput (see there why not RtMidi).
class OutputPort {
 public:
  OutputPort();
  ~OutputPort();
  OutputPort(const OutputPort&) = delete;
  OutputPort& operator=(const OutputPort&) = delete;

  // Looks the port up by name again and connects to it. Fails, saying why, when
  // it is gone or the driver refuses.
  Result open(const PortId& id);
  void close();
  bool is_open() const { return alsa_ != nullptr || jack_ != nullptr; }
  // Sends the message's 1 to 3 bytes (by its status); never throws.
  void send(ShortMessage message) noexcept;

 private:
  std::unique_ptr<RtMidiOut> alsa_;
  std::unique_ptr<JackMidiOutput> jack_;
  bool failed_ = false;
};

}  // namespace tastarion
