#pragma once

#include <string>

#include "engine/result.h"
#include "engine/short_message.h"

namespace tastarion {

// The system's MIDI output devices, numbered 0..device_count()-1. The list is
// read once, by prepare() or when the service is made. Implementations need not
// be thread-safe: MidiPort serialises every call.
class MidiOutputService {
 public:
  virtual ~MidiOutputService() = default;
  // Reads the device list where that takes time; called once, before anything
  // else, possibly on another thread than the later calls.
  virtual void prepare() {}
  virtual int device_count() const = 0;
  virtual std::string device_name(int id) const = 0;
  // Opens device `id`; the previous device must have been closed. On failure the
  // reason names the device and what refused it.
  virtual Result open(int id) = 0;
  // Closes the open device, if any.
  virtual void close() = 0;
  // Sends one message to the open device; does nothing when none is open.
  virtual void send(ShortMessage message) noexcept = 0;
};

}  // namespace tastarion
