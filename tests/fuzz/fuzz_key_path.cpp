// The key path and everything a key can start: any key event for presses and
// releases, the command keys, F2 recordings saved
// or not, F3 replays, the metronome, clock jumps and passing timer time, all
// checked step by step against the model of the random test.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/key_map.h"
#include "fuzz/fuzz_world.h"

namespace tastarion::fuzz {
namespace {

using model::Action;

using model::ControlMoved;
using model::Input;
using model::KeyDown;
using model::KeyUp;

// A piano key, now and then with the extended flag or as an auto-repeat.
KeyEvent piano_key(Bytes& in, bool release) {
  const uint8_t which = in.u8();
  const uint8_t flags = in.u8();
  return {piano_keys[which % 46].scan_code, (flags & 1) != 0, !release && (flags & 2) != 0,
          release};
}

Action key_down(uint8_t scan, bool extended, bool repeat) {
  return Input{KeyDown{key_press(scan, extended, repeat)}};
}

std::vector<Action> decode(Bytes& in) {
  std::vector<Action> actions;
  while (!in.empty() && actions.size() < 20'000) {
    const uint8_t op = in.u8();
    switch (op % 16) {
      case 0:
        // Any key at all, from 32 bits of input.
        actions.push_back(Input{KeyDown{model::key_of_bits(in.u32(), false)}});
        break;
      case 1:
        actions.push_back(Input{KeyUp{model::key_of_bits(in.u32(), true)}});
        break;
      case 2:
      case 3:
        actions.push_back(Input{KeyDown{piano_key(in, false)}});
        break;
      case 4:
      case 5:
        actions.push_back(Input{KeyUp{piano_key(in, true)}});
        break;
      case 6:
        actions.push_back(model::ChooseSave{static_cast<model::SaveChoice>(op >> 4 & 3)});
        actions.push_back(key_down(0x3C, op & 0x40, op & 0x80));
        break;
      case 7:
        actions.push_back(key_down(0x3D, op & 0x40, op & 0x80));
        break;
      case 8: {
        // A command key; Pause only when asked twice, so that inputs run on.
        uint8_t scan = static_cast<uint8_t>(0x3B + in.u8() % 25);
        bool extended = op & 0x40;
        if (scan == model::World::kPauseKey && !(op & 0x20)) extended = true;
        actions.push_back(key_down(scan, extended, op & 0x80));
        break;
      }
      case 9:
        actions.push_back(model::ClockJump{op & 0x80 ? in.u32() : in.u16()});
        break;
      case 10:
        actions.push_back(model::ClockSet{0xFFFFFFFFu - in.u16()});
        break;
      case 11:
        actions.push_back(model::TimerAdvance{op & 0x80 ? in.u16() * 16u : in.u8()});
        break;
      case 12: {
        const uint8_t kind = in.u8();
        if (kind & 0x80) {
          // Any value at all, in or out of the control's range.
          const auto value = static_cast<int>(in.u32());
          actions.push_back(Input{ControlMoved{static_cast<model::Control>(kind % 6), value}});
          break;
        }
        const uint8_t value = in.u8();
        switch (kind % 6) {
          case 0:
            actions.push_back(Input{ControlMoved{model::Control::volume, value % 11}});
            break;
          case 1:
            actions.push_back(Input{ControlMoved{model::Control::pitch, value % 201 - 100}});
            break;
          case 2:
            actions.push_back(Input{ControlMoved{model::Control::mm_speed, 30 + value % 211}});
            break;
          case 3:
            actions.push_back(Input{ControlMoved{model::Control::transpose, value % 25 - 12}});
            break;
          case 4:
            actions.push_back(Input{ControlMoved{model::Control::instrument, value % 9}});
            break;
          default:
            actions.push_back(Input{ControlMoved{model::Control::device, value % 4}});
            break;
        }
        break;
      }
      case 13:
        actions.push_back(Input{model::KeyboardLost{}});
        break;
      case 14: {
        // A burst of note traffic, so that short inputs can fill the recorder.
        const int pairs = in.u8() * 8;
        const uint8_t key = in.u8();
        const uint8_t gap = in.u8() % 8;
        for (int i = 0; i < pairs; ++i) {
          const uint8_t scan = piano_keys[(key + i * 7) % 46].scan_code;
          actions.push_back(Input{KeyDown{key_press(scan)}});
          if (gap != 0) actions.push_back(model::ClockJump{gap});
          actions.push_back(Input{KeyUp{key_release(scan)}});
        }
        break;
      }
      default:
        // The popup menu: closed, Help or Exit.
        actions.push_back(Input{model::MenuChosen{static_cast<model::MenuItem>(in.u8() % 3)}});
        break;
    }
  }
  return actions;
}

}  // namespace
}  // namespace tastarion::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tastarion::fuzz::Bytes in(data, size);
  const bool by_key_up = in.u8() & 1;
  tastarion::fuzz::run(tastarion::fuzz::decode(in), by_key_up);
  return 0;
}
