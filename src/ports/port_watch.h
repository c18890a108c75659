#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "ports/rtmidi_ports.h"

namespace tastarion {

// The ports that take MIDI output at one moment: the ALSA sequencer's, then
// the JACK server's, and whether either of the two answered at all.
struct PortSnapshot {
  std::vector<PortId> ports;
  bool service_found = false;
  bool operator==(const PortSnapshot&) const = default;
};

struct PortSources {
  bool alsa = true;
  bool jack = true;
};

// Reads the ports once on the caller's thread, then again on a thread of its own
// whenever the JACK client (jack_client.h) or the ALSA sequencer tells of a
// client or port that came, went or changed, or of the JACK server coming or
// going: a sound server that stops answering holds up that thread, never the
// window's. While nothing changes, the thread sleeps.
class PortWatch {
 public:
  explicit PortWatch(PortSources sources);
  ~PortWatch() { stop(); }
  PortWatch(const PortWatch&) = delete;
  PortWatch& operator=(const PortWatch&) = delete;

  // The first reading, here and now; the watching starts after it.
  PortSnapshot first();
  // The newest reading, if one came since the last call (each change brings
  // one, nothing else does, but for the looks for a JACK server that is not
  // there). Never waits for a server.
  std::optional<PortSnapshot> latest();
  // Readable when a reading is waiting for latest(); take_published() clears it.
  int published_fd() const;
  void take_published();
  // Ends the watching; a thread stuck in a sound server is left behind (see
  // left_behind.h).
  void stop();

 private:
  struct State;
  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace tastarion
