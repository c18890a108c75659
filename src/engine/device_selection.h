#pragma once

#include <string>
#include <vector>

#include "engine/midi_port.h"

namespace tastarion {

// Which of the system's MIDI output devices plays: its index in the device
// list as it stands, and the switch of the port to another. The list changes
// as ports come and go; the selected device is known by its full name.
class DeviceSelection {
 public:
  explicit DeviceSelection(MidiPort& port) : port_(port) {}

  // The list the start found, device 0 selected; empty before. Without `keys`
  // the names are the keys.
  void set_list(std::vector<std::string> names, std::vector<std::string> keys = {});
  // A list read again: the selected device keeps its selection at its new row,
  // whose index is returned; -1 when it is gone, and row 0 is selected.
  int update_list(std::vector<std::string> names, std::vector<std::string> keys);
  // The full name of the selected device; empty while the list is.
  std::string selected_key() const;
  const std::vector<std::string>& names() const { return names_; }
  int count() const { return static_cast<int>(names_.size()); }
  int index() const { return index_; }
  bool has_previous() const { return index_ > 0; }
  bool has_next() const { return index_ < count() - 1; }
  // Whether the selected device is open and plays.
  bool playing() const { return port_.is_open(); }

  // Opens device `index` (0..count()-1), the old one silenced and closed first.
  // When it fails, the program stays on the device it had, opened again if it
  // was open.
  Result select(int index);

 private:
  MidiPort& port_;
  std::vector<std::string> names_;
  std::vector<std::string> keys_;
  int index_ = 0;
};

}  // namespace tastarion
