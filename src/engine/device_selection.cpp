#include "engine/device_selection.h"

namespace tastarion {

void DeviceSelection::set_list(std::vector<std::string> names, std::vector<std::string> keys) {
  if (keys.size() != names.size()) keys = names;
  names_ = std::move(names);
  keys_ = std::move(keys);
  index_ = 0;
}

std::string DeviceSelection::selected_key() const {
  return index_ >= 0 && index_ < static_cast<int>(keys_.size()) ? keys_[index_] : std::string();
}

int DeviceSelection::update_list(std::vector<std::string> names, std::vector<std::string> keys) {
  const std::string selected = selected_key();
  set_list(std::move(names), std::move(keys));
  for (int row = 0; row < count(); ++row) {
    if (keys_[row] == selected) {
      index_ = row;
      return row;
    }
  }
  return -1;
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
