#include "engine/sound_settings.h"

#include <cstdlib>

#include "engine/player_text.h"

namespace tastarion {

// The list shows them in the player's language; the number leads in every one.
const std::array<const char*, 9> instrument_names = {
    PLAYER_NAME("Instrument", "0 Piano"),       PLAYER_NAME("Instrument", "6 Harpsicord"),
    PLAYER_NAME("Instrument", "11 Vibraphone"), PLAYER_NAME("Instrument", "16 Organ"),
    PLAYER_NAME("Instrument", "24 Guitar"),     PLAYER_NAME("Instrument", "40 Violin"),
    PLAYER_NAME("Instrument", "56 Trampet"),    PLAYER_NAME("Instrument", "68 Oboe"),
    PLAYER_NAME("Instrument", "73 Flute")};

static_assert(instrument_names.size() == kInstrumentSetting.maximum + 1);

int program_number_of(int instrument) {
  // The leading integer of the name; the blank and the name end it.
  return std::atoi(instrument_names[kInstrumentSetting.clamp(instrument)]);
}

bool SoundSettings::set_volume(int value) {
  if (!kVolumeSetting.contains(value)) return false;
  volume_.store(value, std::memory_order_relaxed);
  return true;
}

bool SoundSettings::set_fine_pitch(int value) {
  if (!kFinePitchSetting.contains(value)) return false;
  fine_pitch_ = value;
  return true;
}

bool SoundSettings::set_transpose(int value) {
  if (!kTransposeSetting.contains(value)) return false;
  transpose_ = value;
  return true;
}

bool SoundSettings::set_instrument(int value) {
  if (!kInstrumentSetting.contains(value)) return false;
  instrument_ = value;
  return true;
}

}  // namespace tastarion
