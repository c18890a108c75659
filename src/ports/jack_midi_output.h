#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "engine/result.h"

namespace tastarion {

// A JACK client kept open to list the MIDI input ports again and again without
// a client coming and going each time. It connects when a server runs, and again
// after the server went away and came back. When `wake_fd` is an eventfd, JACK's
// notices of clients and ports that come, go or are renamed, and of the server
// going away, are written to it: a reader polls it rather than the server.
class JackPortWatch {
 public:
  explicit JackPortWatch(int wake_fd = -1);
  ~JackPortWatch();
  JackPortWatch(const JackPortWatch&) = delete;
  JackPortWatch& operator=(const JackPortWatch&) = delete;

  // The MIDI input ports now; empty when no server runs.
  std::vector<std::string> midi_inputs();
  // Whether the last midi_inputs() found a server.
  bool server_found() const;

  // How long after looking for a server in vain the next look comes.
  static constexpr std::chrono::seconds kServerRetry{3};

 private:
  struct Client;
  std::unique_ptr<Client> client_;
  std::chrono::steady_clock::time_point next_try_;
  const int wake_fd_;
};

// A JACK client with one MIDI output port connected to a chosen input port.
// Messages go through a lock-free queue to the process callback, which writes
// them at the start of the next cycle. A close lets the queued messages out
// first: they are usually the note-offs that silence the device. While the port
// has no connection (a patchbay took it away) messages are dropped, and when a
// connection comes back the notes switched off meanwhile are ended first.
//
// RtMidi 5.0's JACK output frees its queue while the client is still active, so
// closing it races its own process callback (a crash, seen here about once in
// fifteen closes); this class deactivates the client before freeing anything.
// Its JACK calls keep the rules of jack_clients.h and wait kJackAnswerLimit at
// most.
class JackMidiOutput {
 public:
  JackMidiOutput();
  ~JackMidiOutput();
  JackMidiOutput(const JackMidiOutput&) = delete;
  JackMidiOutput& operator=(const JackMidiOutput&) = delete;

  // Fails, saying why, when no server runs, the port is gone or the connection
  // is refused. An empty target leaves the port unconnected, for a patchbay to
  // wire.
  Result open(const std::string& target_port);
  void close();
  bool is_open() const { return client_ != nullptr; }
  // The open client's server went away: it plays no more.
  bool lost() const;
  // Real-time safe; a message is dropped when the queue is full.
  void send(const unsigned char* bytes, size_t length) noexcept;

 private:
  struct Client;
  static void keep_if_lost(const std::shared_ptr<Client>& c);
  // Shared with a worker that may outlive a hanging open or close.
  std::shared_ptr<Client> client_;
};

}  // namespace tastarion
