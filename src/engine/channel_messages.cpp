#include "engine/channel_messages.h"

#include "engine/sound_settings.h"

namespace tastarion {

void send_program_change_all(MidiPort& port, int program_number) {
  const auto program = static_cast<uint8_t>(program_number);
  for (int channel = 0; channel < kChannelCount; ++channel) {
    port.send(pack_message(static_cast<uint8_t>(0xC0 + channel), program));
  }
}

void send_pitch_bend_all(MidiPort& port, int fine_pitch) {
  const auto high = static_cast<uint8_t>(pitch_bend_high_byte(fine_pitch));
  for (int channel = 0; channel < kChannelCount; ++channel) {
    port.send(pack_message(static_cast<uint8_t>(0xE0 + channel), 0, high));
  }
}

}  // namespace tastarion
