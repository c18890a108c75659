#include "engine/channel_messages.h"

#include "engine/sound_settings.h"

namespace tastarion {

void send_program_change_all(MidiPort& port, int program_number) {
  for (int channel = 0; channel < kChannelCount; ++channel) {
    port.send(ShortMessage::program_change(channel, program_number));
  }
}

void send_pitch_bend_all(MidiPort& port, int fine_pitch) {
  // Only the high seven bits move; the low ones stay 0.
  const int bend = pitch_bend_high_byte(fine_pitch) << 7;
  for (int channel = 0; channel < kChannelCount; ++channel) {
    port.send(ShortMessage::pitch_bend(channel, bend));
  }
}

}  // namespace tastarion
