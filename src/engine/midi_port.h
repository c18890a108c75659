#pragma once

#include <array>
#include <mutex>
#include <string>
#include <vector>

#include "engine/midi_output_service.h"
#include "engine/resting_expression.h"
#include "engine/sounding_notes.h"

namespace tastarion {

// The device names and the devices' full names (MidiOutputService::device_key),
// row by row.
struct DeviceList {
  std::vector<std::string> names;
  std::vector<std::string> keys;
};

// What the start found: the device list and how the opening of device 0 went.
struct FirstDevice : DeviceList {
  Result opened = Result::failure("not opened yet");
};

// The one open MIDI output device of the program. Every send, from any thread,
// and every open, switch and close go through here, so that no send ever
// reaches a device that is being opened or closed. The port remembers which notes
// it switched on and has not switched off, so that a switch or the end of the
// program can silence them on the device that plays them.
class MidiPort {
 public:
  explicit MidiPort(MidiOutputService& service) : service_(service) {}

  // The device list as the service has it now.
  DeviceList list_devices() const;
  // Reads the device list again (window thread); true when it changed. Sends
  // go on meanwhile.
  bool refresh() { return service_.refresh(); }

  // Reads the device list and opens device 0, without holding the port: sends
  // meanwhile are dropped. Once, on any thread, before every other call but
  // send() and is_open(); the caller hands the result to the window thread.
  FirstDevice open_first();
  // Silences the sounding notes on the open device, if any, closes it and opens
  // `id`; sends meanwhile are dropped. Window thread.
  Result switch_to(int id);
  // Silences the sounding notes and closes the device (end of the program).
  void silence_and_close();
  // Any thread. Dropped when no device is open.
  void send(ShortMessage message) noexcept;
  // The sustain pedal lifted (controller 64 at 0) on every channel where it is
  // down, whoever pressed it; then note-offs for every note switched on and not
  // off, then All Notes Off (controller 123) on all sixteen channels, then the
  // wheel (to `resting_bend`), the channel pressure and the resting controllers
  // back to rest wherever anyone moved them.
  void panic(int resting_bend = ShortMessage::kBendCentre);
  // The first step of panic() alone.
  void lift_pedal();

  bool is_open() const;
  // The open device's sound server went away (window thread).
  bool device_lost() const;
  // MidiOutputService::take_notices and sound_server_appeared (window thread).
  std::vector<std::string> take_notices();
  bool sound_server_appeared();
  // MidiOutputService::prepare_program, without the lock, so that sends on the
  // timer thread do not wait while a synthesizer reads an instrument (window thread).
  void prepare_program(int program) { service_.prepare_program(program); }

 private:
  // Note-offs for the sounding notes; with `pedal`, the sustain pedal lifted
  // where it is down, since a device left with it down rings on.
  void silence_locked(bool pedal) noexcept;
  void track_locked(ShortMessage message) noexcept;
  void lift_pedal_locked() noexcept;

  MidiOutputService& service_;
  mutable std::mutex mutex_;
  bool open_ = false;
  SoundingNotes sounding_;
  MovedExpression moved_;
};

}  // namespace tastarion
