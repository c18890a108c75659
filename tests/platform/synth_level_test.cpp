#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/short_message.h"
#include "engine/sound_settings.h"
#include "synth/fluidsynth_output.h"
#include "timing/metronome.h"

namespace tastarion {
namespace {

double peak_dbfs(float peak) {
  return 20 * std::log10(std::max(peak, 1e-9f));
}

// Plays `notes` at `velocity` (and the metronome's click, when asked) on device 0
// as a test hears it, and returns the loudest sample of the next second.
float peak_of(FluidSynthOutput& synth, int program, const std::vector<int>& notes, int velocity,
              bool click) {
  synth.send(ShortMessage::program_change(0, program));
  for (int note : notes) synth.send(ShortMessage::note_on(0, note, velocity));
  if (click) synth.send(metronome_click(velocity / 12));
  const int frames = static_cast<int>(synth.sample_rate());
  std::vector<float> left(frames), right(frames);
  EXPECT_TRUE(synth.render(left.data(), right.data(), frames));
  for (int note : notes) synth.send(ShortMessage::note_off(0, note));
  std::vector<float> tail(frames);
  synth.render(tail.data(), tail.data(), frames / 2);  // silence before the next
  float peak = 0;
  for (int i = 0; i < frames; ++i) peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
  return peak;
}

// Every SoundFont here, whatever its own level: one note at the default volume is
// well heard, and fifteen keys at the top volume with the click never clip.
TEST(SynthLevel, OneNoteIsHeardAndAFullChordNeverClips) {
  const std::vector<std::string> soundfonts =
      soundfont_candidates(std::vector<std::string>{kSoundFontDir, kSoundFont3Dir});
  if (soundfonts.empty()) GTEST_SKIP() << "no SoundFont in " << kSoundFontDir;
  std::vector<int> chord;
  for (int note = 48; chord.size() < 15; note += 2) chord.push_back(note);
  const int default_velocity = velocity_of(kVolumeSetting.initial);
  const int top_velocity = velocity_of(kVolumeSetting.maximum);
  for (const std::string& path : soundfonts) {
    FluidSynthOutput synth;
    ASSERT_TRUE(synth.open({path}, FluidSynthOutput::Audio::none)) << path;
    const double note_db =
        peak_dbfs(peak_of(synth, program_number_of(0), {60}, default_velocity, false));
    EXPECT_GE(note_db, -24.0) << path;
    EXPECT_LE(note_db, -12.0) << path;
    for (int instrument = kInstrumentSetting.minimum; instrument <= kInstrumentSetting.maximum;
         ++instrument) {
      const float peak = peak_of(synth, program_number_of(instrument), chord, top_velocity, true);
      EXPECT_LT(peak, 1.0f) << path << ", " << instrument_names[instrument];
      EXPECT_GT(peak, 0.1f) << path << ", " << instrument_names[instrument];
    }
  }
}

}  // namespace
}  // namespace tastarion
