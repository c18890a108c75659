#pragma once

#include <jack/types.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/result.h"

namespace tastarion {

class WakeFd;

// The client name a patchbay shows for the program's MIDI ports.
inline constexpr const char* kJackClientName = "Tastarion";
inline constexpr const char* kJackInputPortName = "midi_in";
inline constexpr const char* kJackOutputPortName = "output";

// One port's share of a JACK cycle.
struct JackCycle {
  jack_port_t* port;
  jack_nframes_t frames;
  jack_nframes_t sample_rate;
};

// What uses one of the client's ports in the process callback.
class JackPortUser {
 public:
  virtual ~JackPortUser() = default;
  // Every cycle, on JACK's real-time thread: no lock, no allocation, no wait.
  virtual void process(const JackCycle& cycle) noexcept = 0;
  // The server went away (the process callback runs no more); false to be
  // asked again a moment later.
  virtual bool server_lost() { return true; }
};

// The program's one JACK client, "Tastarion": the MIDI input port, the MIDI
// output port while a JACK device plays, one process callback for both, and the
// list of the server's MIDI input ports with its notices of ports that come and
// go. A thread of its own opens the client when a server runs, looks for one
// every kJackServerRetry while none does, and opens it again, with the input
// port, when a lost server comes back; the loss is told by the shutdown
// callback. Its JACK calls keep the rules of jack_clients.h.
//
// Shared by those that use it, through shared(): it lives while one of them does.
class JackClient {
 public:
  // The client, made (and its thread started) at the first call while none lives.
  static std::shared_ptr<JackClient> shared();
  ~JackClient();
  JackClient(const JackClient&) = delete;
  JackClient& operator=(const JackClient&) = delete;

  // `fd` is woken when a client or port comes, goes or is renamed, and when the
  // server comes or goes. It must outlive the subscription.
  void subscribe(const WakeFd& fd);
  void unsubscribe(const WakeFd& fd);

  // The other clients' MIDI input ports; empty when no server runs. Looks for a
  // server when the retry is due.
  std::vector<std::string> midi_inputs();
  // Whether the client is open on a running server.
  bool server_found() const;

  // The input port: registered at once when a server runs (else the failure
  // says why), and again each time a lost server comes back.
  Result attach_input(std::shared_ptr<JackPortUser> user);
  void detach_input();

  // The output port, connected to `target` (none: left for a patchbay). One at a
  // time; it does not come back with a lost server (output_lost() says so).
  Result open_output(std::shared_ptr<JackPortUser> user, const std::string& target);
  void close_output();
  bool output_lost() const;

 private:
  struct Connection;
  struct State;
  JackClient();
  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace tastarion
