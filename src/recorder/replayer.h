#pragma once

#include <cstdint>

#include "engine/piano.h"

namespace tastarion {

inline constexpr uint32_t kMinimumStepMs = 10;

// The F3 command: refused while recording; starts or stops a replay.
void toggle_replay(Piano& piano);
// Stops a running replay: after it returns no step runs or is pending, and the
// notes the replay left on are silenced. Returns whether one was running.
bool stop_replay(Piano& piano);
// One step of the replay (timer thread).
void replay_tick(Piano& piano, uint32_t generation);
// The delta of the record at `position` of the event buffer, modulo 2^28.
uint32_t read_delta(const Piano& piano, uint32_t position);

}  // namespace tastarion
