#pragma once

// The input language of the event buffer's fuzzers: one recording of note
// traffic with arbitrary gaps (across the clock's wrap, past 2^28 ms), stopped
// and saved, then replayed to its end.

#include <cstddef>
#include <cstdint>

#include "engine/key_map.h"
#include "fuzz/fuzz_world.h"

namespace tastarion::fuzz {

// A burst of presses and releases, one key after another, `gap` ms apart;
// checked once at its end, where a note too many or too few shows in the
// messages, the buffer's cursor and the status.
inline void add_burst(Script& script, int count, uint8_t gap) {
  script.begin_run();
  for (int i = 0; i < count; ++i) {
    const uint8_t key = piano_keys[(gap + i * 5) % 46].scan_code;
    script.add(model::Input{model::KeyDown{key_press(key)}});
    script.add(model::ClockJump{gap % 16u});
    script.add(model::Input{model::KeyUp{key_release(key)}});
  }
  script.end_run();
}

// `fill` notes are recorded, in one burst, before the input's own traffic.
inline Script decode_recording(Bytes& in, int fill) {
  Script script;
  const uint8_t setup = in.u8();
  if (setup & 1) script.add(model::ClockSet{0xFFFFFFFFu - in.u16()});
  script.add(model::ChooseSave{static_cast<model::SaveChoice>(setup >> 1 & 3)});
  script.add(model::Input{model::KeyDown{key_press(0x3C)}});
  if (fill > 0) add_burst(script, fill / 2, setup >> 3);
  while (!in.empty() && script.actions.size() < 60'000) {
    const uint8_t op = in.u8();
    const uint8_t scan = piano_keys[(op & 0x3F) % 46].scan_code;
    switch (op >> 6) {
      case 0:
        script.add(model::Input{model::KeyDown{key_press(scan)}});
        break;
      case 1:
        script.add(model::Input{model::KeyUp{key_release(scan)}});
        break;
      case 2: {
        // A gap: mostly short, sometimes any 32-bit length.
        const uint8_t size = in.u8();
        script.add(model::ClockJump{size & 0x80 ? in.u32() : size});
        break;
      }
      default:
        // A few presses and releases in one go. Each input byte plays at most
        // a burst's worth, so that an input costs what its length says.
        add_burst(script, (op & 0x03) + 1, in.u8());
        break;
    }
  }
  script.add(model::Input{model::KeyDown{key_press(0x3C)}});
  script.add(model::Input{model::KeyDown{key_press(0x3D)}});
  // Long enough for any replay whose gaps are short; longer ones are stopped.
  for (int i = 0; i < 20; ++i) script.add(model::TimerAdvance{60'000});
  return script;
}

}  // namespace tastarion::fuzz
