#include "engine/wheel_thinning.h"

#include <algorithm>

namespace tastarion {

namespace {

constexpr size_t kBendKeys = 0;
constexpr size_t kChannelPressureKeys = 16;
constexpr size_t kControllerKeys = 32;
constexpr size_t kKeyPressureKeys = kControllerKeys + 16 * 128;

// Controllers whose every value counts: bank select, data entry and its steps,
// the parameter numbers they apply to, and the pedals' edges. The channel mode
// messages (120 and on) are never thinned either.
constexpr bool is_continuous(uint8_t controller) {
  const bool bank = controller == 0 || controller == 32;
  const bool data_entry = controller == 6 || controller == 38;
  const bool parameter = controller >= 96 && controller <= 101;
  const bool pedal = controller >= 64 && controller <= 69;
  return !bank && !data_entry && !parameter && !pedal && controller < 120;
}

}  // namespace

int WheelThinning::key_of(const MidiInput& input) {
  const size_t channel = input.channel & 0x0F;
  switch (input.kind) {
    case MidiInput::Kind::pitch_bend:
      return static_cast<int>(kBendKeys + channel);
    case MidiInput::Kind::channel_pressure:
      return static_cast<int>(kChannelPressureKeys + channel);
    case MidiInput::Kind::control:
      if (!is_continuous(input.note)) return -1;
      return static_cast<int>(kControllerKeys + channel * 128 + (input.note & 0x7F));
    case MidiInput::Kind::key_pressure:
      return static_cast<int>(kKeyPressureKeys + channel * 128 + (input.note & 0x7F));
    default:
      return -1;
  }
}

MidiInput WheelThinning::held_input(uint16_t key) const {
  MidiInput input;
  input.port = port_;
  input.note = data_[key][0];
  input.value = data_[key][1];
  if (key < kChannelPressureKeys) {
    input.kind = MidiInput::Kind::pitch_bend;
    input.channel = static_cast<uint8_t>(key - kBendKeys);
  } else if (key < kControllerKeys) {
    input.kind = MidiInput::Kind::channel_pressure;
    input.channel = static_cast<uint8_t>(key - kChannelPressureKeys);
  } else if (key < kKeyPressureKeys) {
    input.kind = MidiInput::Kind::control;
    input.channel = static_cast<uint8_t>((key - kControllerKeys) / 128);
  } else {
    input.kind = MidiInput::Kind::key_pressure;
    input.channel = static_cast<uint8_t>((key - kKeyPressureKeys) / 128);
  }
  return input;
}

bool WheelThinning::hold(const MidiInput& input) {
  const int found = key_of(input);
  if (found < 0) return false;
  const auto key = static_cast<uint16_t>(found);
  port_ = input.port;
  data_[key] = {input.note, input.value};
  if (held_.test(key)) return true;
  held_.set(key);
  if (count_ == kKeys) {
    // Every key was held at some time since the last full flush: move the
    // ones still to go to the front.
    std::copy(order_.begin() + static_cast<ptrdiff_t>(first_), order_.end(), order_.begin());
    count_ -= first_;
    first_ = 0;
  }
  order_[count_++] = key;
  return true;
}

void WheelThinning::clear() {
  held_.reset();
  first_ = count_ = 0;
}

}  // namespace tastarion
