#pragma once

#include "engine/midi_port.h"

namespace tastarion {

// One message on each of the 16 channels in ascending order, the metronome's
// channel included, so that whatever plays there follows the setting.
void send_program_change_all(MidiPort& port, int program_number);
void send_pitch_bend_all(MidiPort& port, int fine_pitch);

}  // namespace tastarion
