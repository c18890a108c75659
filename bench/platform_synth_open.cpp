// Time to make the built-in synthesizer ready to play, SoundFont load included.
// Played through the sound server when one takes it, otherwise without audio.
#include <benchmark/benchmark.h>

#include "synth/fluidsynth_output.h"

namespace tastarion {
namespace {

void open_synth(benchmark::State& state, FluidSynthOutput::Audio audio) {
  const auto soundfonts = soundfont_candidates();
  if (soundfonts.empty()) {
    state.SkipWithError("no SoundFont installed");
    return;
  }
  FluidSynthOutput synth;
  std::string driver;
  for (auto _ : state) {
    if (!synth.open(soundfonts, audio)) {
      state.SkipWithError("the audio driver did not start (no sound server here)");
      return;
    }
    state.PauseTiming();
    driver = synth.audio_driver();
    synth.close();
    state.ResumeTiming();
  }
  state.SetLabel(audio == FluidSynthOutput::Audio::none ? "offline, no audio driver"
                                                        : "audio driver " + driver);
}

void BM_SynthOpenWithAudio(benchmark::State& state) {
  open_synth(state, FluidSynthOutput::Audio::system);
}
void BM_SynthOpenOffline(benchmark::State& state) {
  open_synth(state, FluidSynthOutput::Audio::none);
}

BENCHMARK(BM_SynthOpenWithAudio)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SynthOpenOffline)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace tastarion

BENCHMARK_MAIN();
