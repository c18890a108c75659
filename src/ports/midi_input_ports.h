#pragma once

#include <memory>
#include <string>
#include <thread>

#include "engine/midi_input_reader.h"
#include "engine/trace.h"

namespace tastarion {

// The names a patchbay shows for the program's MIDI input on the ALSA sequencer
// (on JACK it is a port of the program's client, see jack_client.h).
inline constexpr const char* kInputAlsaClient = "Tastarion";
inline constexpr const char* kInputAlsaPort = "MIDI in";
// MidiInput::port of the messages from each.
inline constexpr uint8_t kJackInputPort = 0;
inline constexpr uint8_t kAlsaInputPort = 1;

// The program's own MIDI input ports, connected to nothing: one on the JACK
// server, kept while servers go and come, and one on the ALSA sequencer when it
// can be opened. They are opened and watched on a thread of their own, so that a
// sound server that never answers holds up that thread only. The drivers' threads
// queue what arrives and wake the window through wake_fd(); the window thread
// takes the messages with pop().
struct MidiInputSources {
  bool jack = true;
  bool alsa = true;
};

class MidiInputPorts {
 public:
  using Sources = MidiInputSources;

  // What goes wrong (no port could be opened at the start) goes to `errors`
  // once, as a sentence, from the ports' own thread.
  explicit MidiInputPorts(Sources sources = {}, TraceSink errors = print_to_stderr);
  ~MidiInputPorts() { stop(); }
  MidiInputPorts(const MidiInputPorts&) = delete;
  MidiInputPorts& operator=(const MidiInputPorts&) = delete;

  // Opens the ports on their thread; returns at once.
  void start();
  // Closes them; a thread stuck in a sound server is left behind (see
  // left_behind.h).
  void stop();

  // Readable when messages wait. Window thread: clear_wake() before taking them;
  // wake() to come back for the rest later.
  int wake_fd() const;
  void clear_wake();
  void wake();
  // The next message from either port, in the order each port received them.
  bool pop(MidiInput& out);

 private:
  struct State;
  std::shared_ptr<State> state_;
  std::thread thread_;
};

// Whether an ALSA sequencer port is the program's own input: playing into it
// would play the notes again and again. (The JACK client leaves its own ports
// out of its list.)
bool is_own_alsa_input_port(const std::string& name);

}  // namespace tastarion
