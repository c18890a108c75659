#pragma once

#include <array>
#include <bitset>

#include "engine/short_message.h"

namespace tastarion {

// The value a controller rests at while nobody plays it, or -1 for one left as
// it stands: bank select, data entry and the parameter numbers select something,
// and setting them back would change what they select.
constexpr int resting_value(int controller) {
  switch (controller) {
    case 1:   // modulation
    case 2:   // breath
    case 4:   // foot
    case 65:  // portamento
    case 66:  // sostenuto
    case 67:  // soft pedal
    case 68:  // legato
    case 69:  // hold 2
      return 0;
    case 7:  // volume
      return 100;
    case 8:   // balance
    case 10:  // pan
      return 64;
    case 11:  // expression
      return 127;
    default:
      return -1;
  }
}

// Which channels a player's wheel, channel pressure and resting controllers
// moved: what an output owes its device to bring them back to rest. Not
// thread-safe; its owner locks.
class MovedExpression {
 public:
  void follow(ShortMessage message) {
    const int channel = message.channel();
    switch (message.kind()) {
      case ShortMessage::Kind::pitch_bend:
        bends_[channel] = static_cast<int16_t>(message.bend());
        break;
      case ShortMessage::Kind::channel_pressure:
        pressed_[channel] = message.data1() != 0;
        break;
      case ShortMessage::Kind::control_change:
        if (const int rest = resting_value(message.controller()); rest >= 0) {
          controllers_[channel][message.controller()] = message.value() != rest;
        }
        break;
      default:
        break;
    }
  }

  // Calls `send` with the messages that bring each moved channel back to rest,
  // the wheel to `resting_bend` where a bend other than that went out, then
  // forgets them.
  template <typename Send>
  void bring_to_rest(int resting_bend, Send&& send) {
    for (int channel = 0; channel < kChannelCount; ++channel) {
      if (bends_[channel] >= 0 && bends_[channel] != resting_bend) {
        send(ShortMessage::pitch_bend(channel, resting_bend));
      }
      if (pressed_[channel]) send(ShortMessage::channel_pressure(channel, 0));
      for (int controller = 0; controller < 128 && controllers_[channel].any(); ++controller) {
        if (controllers_[channel][controller]) {
          send(ShortMessage::control_change(channel, controller, resting_value(controller)));
        }
      }
    }
    clear();
  }
  void clear() {
    bends_.fill(-1);
    pressed_.reset();
    for (auto& moved : controllers_) moved.reset();
  }

 private:
  // The last bend sent on each channel, -1 for none.
  std::array<int16_t, 16> bends_ = [] {
    std::array<int16_t, 16> none{};
    none.fill(-1);
    return none;
  }();
  std::bitset<16> pressed_{};
  std::array<std::bitset<128>, 16> controllers_{};
};

}  // namespace tastarion
