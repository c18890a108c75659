#pragma once

#include "engine/voice_slots.h"

namespace tastarion::testing {

// How many channels held keys sound on.
inline int busy_slots(const VoiceSlots& voice) {
  int n = 0;
  for (int slot = 0; slot < 16; ++slot) n += voice.busy(slot) ? 1 : 0;
  return n;
}

}  // namespace tastarion::testing
