#pragma once

namespace tastarion {

// Keeps the sound libraries from talking on standard error and from starting a
// JACK server of their own: a machine without sound must start silently. Safe to
// call many times; the first call does the work.
void quiet_sound_drivers();

}  // namespace tastarion
