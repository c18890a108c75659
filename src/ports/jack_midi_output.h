#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "engine/result.h"

namespace tastarion {

class JackClient;

// The MIDI output port of the program's JACK client (jack_client.h), connected
// to a chosen input port.
// Messages go through a lock-free queue to the process callback, which writes
// them at the start of the next cycle. A close lets the queued messages out
// first: they are usually the note-offs that silence the device. While the port
// has no connection (a patchbay took it away) messages are dropped, and when a
// connection comes back the notes switched off meanwhile are ended first.
//
// RtMidi 5.0's JACK output frees its queue while the client is still active, so
// closing it races its own process callback (a crash, seen here about once in
// fifteen closes); this class takes the port out of the process callback before
// freeing anything. Its JACK calls wait kJackAnswerLimit at most.
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
  bool is_open() const { return queue_ != nullptr; }
  // The open client's server went away: it plays no more.
  bool lost() const;
  // Real-time safe; a message is dropped when the queue is full.
  void send(const unsigned char* bytes, size_t length) noexcept;

 private:
  struct Queue;
  std::shared_ptr<JackClient> jack_;
  // Shared with the process callback and with a worker that may outlive a
  // hanging open or close.
  std::shared_ptr<Queue> queue_;
};

}  // namespace tastarion
