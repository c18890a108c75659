#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/result.h"
#include "engine/short_message.h"
#include "ports/rtmidi_errors.h"

class RtMidiOut;

namespace tastarion {

class JackMidiOutput;
class JackClient;

enum class PortApi { alsa, jack };

// A port is known by its API and full name: indices shift whenever another
// program adds or removes a port, names do not.
struct PortId {
  PortApi api;
  std::string name;
  bool operator==(const PortId&) const = default;
};

// Lists the ports of both APIs again and again through clients it keeps, so
// that the list can follow ports that come and go. One client kept open, rather
// than one opened and closed for each look, also keeps clear of libjack's close:
// with clients opened and closed many times a second while others start, it was
// seen here to hang for good.
class PortLister {
 public:
  PortLister();
  ~PortLister();
  PortLister(const PortLister&) = delete;
  PortLister& operator=(const PortLister&) = delete;

  // The ports of `api` that take MIDI output (ALSA sequencer ports one can write
  // to, JACK MIDI input ports). Empty, and silent, when the API has no sequencer
  // device or no running server here.
  std::vector<std::string> list(PortApi api);
  // Whether the last list() of `api` found its sequencer or server.
  bool found(PortApi api) const;

 private:
  std::unique_ptr<RtMidiOut> alsa_;
  RtMidiErrors alsa_errors_;
  std::shared_ptr<JackClient> jack_;
};

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
  // The program's own port, connected to nothing, on the JACK server and on the
  // ALSA sequencer, whichever runs here; fails when neither does, with the
  // reasons of both.
  Result open_own();
  void close();
  bool is_open() const { return alsa_ != nullptr || jack_ != nullptr; }
  // The JACK server of the open port went away (an ALSA port alone never is).
  bool lost() const;
  // Sends the message's 1 to 3 bytes (by its status); never throws.
  void send(ShortMessage message) noexcept;

 private:
  std::unique_ptr<RtMidiOut> alsa_;
  std::unique_ptr<JackMidiOutput> jack_;
  RtMidiErrors errors_;
};

}  // namespace tastarion
