// The key-message path and everything a key can start: arbitrary 32-bit key
// parameters for presses and releases, the command keys, F2 recordings saved
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

uint32_t piano_key_param(Bytes& in, bool release) {
  const uint8_t which = in.u8();
  const uint8_t flags = in.u8();
  uint32_t param =
      make_key_param(piano_scan_codes[which % 46], flags & 1, release || (flags & 2), release);
  // The bits the program must not care about: repeat count, reserved, context.
  if (flags & 4) param |= (uint32_t{flags} << 20 & 0x3E000000u) | (flags >> 3);
  return param;
}

std::vector<Action> decode(Bytes& in) {
  std::vector<Action> actions;
  while (!in.empty() && actions.size() < 20'000) {
    const uint8_t op = in.u8();
    switch (op % 16) {
      case 0:
        actions.push_back(WindowMessage{KeyDown{in.u32()}});
        break;
      case 1:
        actions.push_back(WindowMessage{KeyUp{in.u32()}});
        break;
      case 2:
      case 3:
        actions.push_back(WindowMessage{KeyDown{piano_key_param(in, false)}});
        break;
      case 4:
      case 5:
        actions.push_back(WindowMessage{KeyUp{piano_key_param(in, true)}});
        break;
      case 6:
        actions.push_back(model::ChooseSave{static_cast<model::SaveChoice>(op >> 4 & 3)});
        actions.push_back(WindowMessage{KeyDown{make_key_param(0x3C, op & 0x40, op & 0x80)}});
        break;
      case 7:
        actions.push_back(WindowMessage{KeyDown{make_key_param(0x3D, op & 0x40, op & 0x80)}});
        break;
      case 8: {
        // A command key; Pause only when asked twice, so that inputs run on.
        uint8_t scan = static_cast<uint8_t>(0x3B + in.u8() % 25);
        bool extended = op & 0x40;
        if (scan == kPauseScanCode && !(op & 0x20)) extended = true;
        actions.push_back(WindowMessage{KeyDown{make_key_param(scan, extended, op & 0x80)}});
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
          if (kind & 0x40) {
            actions.push_back(WindowMessage{SliderMoved{static_cast<Slider>(kind % 3), value}});
          } else {
            actions.push_back(WindowMessage{ListSelected{static_cast<List>(kind % 3), value}});
          }
          break;
        }
        const uint8_t value = in.u8();
        switch (kind % 6) {
          case 0:
            actions.push_back(WindowMessage{SliderMoved{Slider::volume, value % 11}});
            break;
          case 1:
            actions.push_back(WindowMessage{SliderMoved{Slider::pitch, value % 201 - 100}});
            break;
          case 2:
            actions.push_back(WindowMessage{SliderMoved{Slider::mm_speed, 30 + value % 211}});
            break;
          case 3:
            actions.push_back(WindowMessage{ListSelected{List::transpose, value % 25}});
            break;
          case 4:
            actions.push_back(WindowMessage{ListSelected{List::instrument, value % 9}});
            break;
          default:
            actions.push_back(WindowMessage{ListSelected{List::device, value % 4}});
            break;
        }
        break;
      }
      case 13:
        actions.push_back(WindowMessage{KeyboardLost{}});
        break;
      case 14: {
        // A burst of note traffic, so that short inputs can fill the recorder.
        const int pairs = in.u8() * 8;
        const uint8_t key = in.u8();
        const uint8_t gap = in.u8() % 8;
        for (int i = 0; i < pairs; ++i) {
          const uint8_t scan = piano_scan_codes[(key + i * 7) % 46];
          actions.push_back(WindowMessage{KeyDown{make_key_param(scan)}});
          if (gap != 0) actions.push_back(model::ClockJump{gap});
          actions.push_back(WindowMessage{KeyUp{make_key_param(scan, false, true, true)}});
        }
        break;
      }
      default:
        actions.push_back(model::PopupAnswer{in.u8() % 3});
        actions.push_back(WindowMessage{RightButtonDown{0, 0}});
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
