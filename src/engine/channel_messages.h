#pragma once

#include "engine/midi_port.h"

namespace tastarion {

// One message on each of the 16 channels in ascending order, the metronome's
// channel included, so that whatever plays there follows the setting.
void send_program_change_all(MidiPort& port, int program_number);

// The bend of the note channels: the fine pitch's own bend with a wheel's
// offset from its centre (-8192..8191) added, kept within the 14 bits.
int note_channel_bend(int fine_pitch, int wheel);
// The pitch bend on all 16 channels: note_channel_bend on the note channels,
// the fine pitch's alone on the metronome's, which no wheel bends.
void send_pitch_bend_all(MidiPort& port, int fine_pitch, int wheel = 0);
// `message` (a controller) on each of the 15 note channels.
void send_to_note_channels(MidiPort& port, ShortMessage message);

}  // namespace tastarion
