// The event buffer through the recorder: the input is one long recording of
// note traffic with arbitrary gaps (across the clock's wrap, past 2^28 ms),
// long enough to reach the recorder's limit, stopped and saved, then replayed
// to its end; the file, the buffer and every replayed message are checked.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/key_map.h"
#include "fuzz/fuzz_world.h"

namespace tastarion::fuzz {
namespace {

using model::Action;

std::vector<Action> decode(Bytes& in) {
  std::vector<Action> actions;
  const uint8_t setup = in.u8();
  if (setup & 1) actions.push_back(model::ClockSet{0xFFFFFFFFu - in.u16()});
  actions.push_back(model::ChooseSave{static_cast<model::SaveChoice>(setup >> 1 & 3)});
  actions.push_back(model::Input{model::KeyDown{key_press(0x3C)}});
  while (!in.empty() && actions.size() < 60'000) {
    const uint8_t op = in.u8();
    const uint8_t scan = piano_keys[(op & 0x3F) % 46].scan_code;
    switch (op >> 6) {
      case 0:
        actions.push_back(model::Input{model::KeyDown{key_press(scan)}});
        break;
      case 1:
        actions.push_back(model::Input{model::KeyUp{key_release(scan)}});
        break;
      case 2: {
        // A gap: mostly short, sometimes any 32-bit length.
        const uint8_t size = in.u8();
        actions.push_back(model::ClockJump{size & 0x80 ? in.u32() : size});
        break;
      }
      default: {
        // Many presses and releases: reaching the limit takes no long input.
        const int count = (op & 0x3F) * 64;
        const uint8_t gap = in.u8();
        for (int i = 0; i < count; ++i) {
          const uint8_t key = piano_keys[(gap + i * 5) % 46].scan_code;
          actions.push_back(model::Input{model::KeyDown{key_press(key)}});
          actions.push_back(model::ClockJump{gap % 16u});
          actions.push_back(model::Input{model::KeyUp{key_release(key)}});
        }
        break;
      }
    }
  }
  actions.push_back(model::Input{model::KeyDown{key_press(0x3C)}});
  actions.push_back(model::Input{model::KeyDown{key_press(0x3D)}});
  // Long enough for any replay whose gaps are short; longer ones are stopped.
  for (int i = 0; i < 20; ++i) actions.push_back(model::TimerAdvance{60'000});
  return actions;
}

}  // namespace
}  // namespace tastarion::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tastarion::fuzz::Bytes in(data, size);
  tastarion::fuzz::run(tastarion::fuzz::decode(in), size % 2 == 0);
  return 0;
}
