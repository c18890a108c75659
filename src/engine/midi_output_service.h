#pragma once

#include <string>
#include <vector>

#include "engine/result.h"
#include "engine/short_message.h"

namespace tastarion {

// The system's MIDI output devices, numbered 0..device_count()-1. The list is
// read by prepare() or when the service is made, and again by refresh(). Apart
// from send(), which refresh() must tolerate beside it, implementations need
// not be thread-safe: MidiPort serialises every call.
class MidiOutputService {
 public:
  virtual ~MidiOutputService() = default;
  // Reads the device list where that takes time; called once, before anything
  // else, possibly on another thread than the later calls.
  virtual void prepare() {}
  virtual int device_count() const = 0;
  virtual std::string device_name(int id) const = 0;
  // What tells device `id` from every other over list changes: the shown name
  // may be cut short, the full one is not.
  virtual std::string device_key(int id) const { return device_name(id); }
  // Reads the list again (window thread); true when it changed. The open device
  // stays open whatever its place in the new list.
  virtual bool refresh() { return false; }
  // A descriptor that becomes readable when refresh() or device_lost() may have
  // news, so that the window need not ask at random; -1 when there is none.
  // The window thread clears it with take_change() before it asks.
  virtual int change_fd() const { return -1; }
  virtual void take_change() {}
  // Opens device `id`; the previous device must have been closed. On failure the
  // reason names the device and what refused it.
  virtual Result open(int id) = 0;
  // True when the open device stopped playing for good: its sound server went
  // away. It stays open until closed.
  virtual bool device_lost() const { return false; }
  // What the open device has to tell the player since the last call, a
  // sentence each: its sound server went away or came back, an instrument's
  // sound could not be read. Any thread may add to them; taken on the window
  // thread.
  virtual std::vector<std::string> take_notices() { return {}; }
  // True once after a sound server came up that was not there before: a device
  // that failed for want of one may open now (window thread).
  virtual bool sound_server_appeared() { return false; }
  // Makes ready what choosing `program` on the open device will need, such as
  // the samples of a synthesizer's instrument (window thread, outside the
  // port's lock: send() may run beside it).
  virtual void prepare_program(int /*program*/) {}
  // Closes the open device, if any.
  virtual void close() = 0;
  // Sends one message to the open device; does nothing when none is open.
  virtual void send(ShortMessage message) noexcept = 0;
};

}  // namespace tastarion
