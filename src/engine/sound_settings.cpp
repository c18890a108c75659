#include "engine/sound_settings.h"

#include <cstdlib>

namespace tastarion {

const std::array<const char*, 9> instrument_names = {"0 Piano",    "6 Harpsicord", "11 Vibraphone",
                                                     "16 Organ",   "24 Guitar",    "40 Violin",
                                                     "56 Trampet", "68 Oboe",      "73 Flute"};

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
