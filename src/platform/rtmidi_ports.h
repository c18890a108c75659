#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/short_message.h"

class RtMidiOut;

namespace tastarion {

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

// One open connection to an output port.
class RtMidiPort {
 public:
  RtMidiPort();
  ~RtMidiPort();
  RtMidiPort(const RtMidiPort&) = delete;
  RtMidiPort& operator=(const RtMidiPort&) = delete;

  // Looks the port up by name again and connects to it. False when it is gone
  // or the driver refuses.
  bool open(const PortId& id);
  void close();
  bool is_open() const { return out_ != nullptr; }
  // Sends the message's 1 to 3 bytes (by its status); never throws.
  void send(ShortMessage message) noexcept;

 private:
  std::unique_ptr<RtMidiOut> out_;
  bool failed_ = false;
};

}  // namespace tastarion
