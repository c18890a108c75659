#include "engine/device_selection.h"

namespace tastarion {

void DeviceSelection::set_list(std::vector<std::string> names) {
  names_ = std::move(names);
  index_ = 0;
}

Result DeviceSelection::select(int index) {
  const int previous = index_;
  const bool previous_open = port_.is_open();
  // The port silences what still sounds on the old device before it closes it.
  Result opened = port_.switch_to(index);
  if (opened) {
    index_ = index;
  } else if (previous_open) {
    static_cast<void>(port_.switch_to(previous));
  }
  return opened;
}

}  // namespace tastarion
