// Device 0's level with one SoundFont, as bench/synth_level.sh compares it: the
// peak in dBFS of one piano note at the default volume, then of fifteen keys at
// the top volume with the metronome's click, each rendered for a second (and a
// second of release).
//   platform_synth_level SOUNDFONT
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/short_message.h"
#include "engine/sound_settings.h"
#include "synth/fluidsynth_output.h"
#include "timing/metronome.h"

using namespace tastarion;

namespace {

double peak_dbfs(FluidSynthOutput& synth, const std::vector<int>& notes, int velocity, bool click) {
  for (int note : notes) synth.send(ShortMessage::note_on(0, note, velocity));
  if (click) synth.send(metronome_click(velocity / 12));
  const int frames = static_cast<int>(synth.sample_rate());
  std::vector<float> left(2 * frames), right(2 * frames);
  synth.render(left.data(), right.data(), frames);
  for (int note : notes) synth.send(ShortMessage::note_off(0, note));
  synth.render(left.data() + frames, right.data() + frames, frames);
  float peak = 1e-9f;
  for (int i = 0; i < 2 * frames; ++i) {
    peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
  }
  return 20 * std::log10(peak);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s SOUNDFONT\n", argv[0]);
    return 2;
  }
  FluidSynthOutput synth;
  if (Result opened = synth.open({argv[1]}, FluidSynthOutput::Audio::none); !opened) {
    std::fprintf(stderr, "%s\n", opened.reason().c_str());
    return 1;
  }
  std::vector<int> chord;
  for (int note = 48; chord.size() < 15; note += 2) chord.push_back(note);
  const double note = peak_dbfs(synth, {60}, velocity_of(kVolumeSetting.initial), false);
  const double full = peak_dbfs(synth, chord, velocity_of(kVolumeSetting.maximum), true);
  std::printf("%.1f %.1f\n", note, full);
  return 0;
}
