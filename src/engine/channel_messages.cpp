#include "engine/channel_messages.h"

#include <algorithm>

#include "engine/sound_settings.h"

namespace tastarion {

void send_program_change_all(MidiPort& port, int program_number) {
  for (int channel = 0; channel < kChannelCount; ++channel) {
    port.send(ShortMessage::program_change(channel, program_number));
  }
}

namespace {
int fine_pitch_bend(int fine_pitch) {
  // Only the high seven bits move; the low ones stay 0.
  return pitch_bend_high_byte(fine_pitch) << 7;
}
}  // namespace

int note_channel_bend(int fine_pitch, int wheel) {
  return std::clamp(fine_pitch_bend(fine_pitch) + wheel, 0, 16383);
}

void send_pitch_bend_all(MidiPort& port, int fine_pitch, int wheel) {
  const int bend = note_channel_bend(fine_pitch, wheel);
  for (int channel = 0; channel < kChannelCount; ++channel) {
    port.send(ShortMessage::pitch_bend(
        channel, channel == kMetronomeChannel ? fine_pitch_bend(fine_pitch) : bend));
  }
}

void send_to_note_channels(MidiPort& port, ShortMessage message) {
  for (int channel = 0; channel < kChannelCount; ++channel) {
    if (channel != kMetronomeChannel) port.send(message.on_channel(channel));
  }
}

}  // namespace tastarion
