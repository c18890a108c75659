#pragma once

#include <string>
#include <vector>

#include "engine/midi_port.h"

namespace tastarion {

// Which of the system's MIDI output devices plays: its index in the device
// list, and the switch of the port to it.
class DeviceSelection {
 public:
  explicit DeviceSelection(MidiPort& port) : port_(port) {}

  std::vector<std::string> names() const;
  int count() const { return port_.device_count(); }
  int index() const { return index_; }
  bool has_previous() const { return index_ > 0; }
  bool has_next() const { return index_ < count() - 1; }

  // Selects device `index` and opens it, the old one silenced and closed first.
  // False, with nothing changed, when `index` names no device; a device that
  // fails to open stays selected, silent.
  bool select(int index, Result* opened = nullptr);

 private:
  MidiPort& port_;
  int index_ = 0;
};

}  // namespace tastarion
