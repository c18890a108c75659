#include "engine/device_selection.h"

namespace tastarion {

std::vector<std::string> DeviceSelection::names() const {
  std::vector<std::string> names;
  for (int id = 0; id < count(); ++id) names.push_back(port_.device_name(id));
  return names;
}

bool DeviceSelection::select(int index, Result* opened) {
  if (index < 0 || index >= count()) return false;
  index_ = index;
  // The port silences what still sounds on the old device before it closes it.
  Result result = port_.switch_to(index);
  if (opened != nullptr) *opened = std::move(result);
  return true;
}

}  // namespace tastarion
