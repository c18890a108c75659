#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/result.h"
#include "engine/short_message.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;

namespace tastarion {

inline constexpr const char* kSoundFontDir = "/usr/share/sounds/sf2";
inline constexpr const char* kSynthDeviceName = "FluidSynth GM";

// SoundFont files to try, best first: default-GM.sf2, then the other .sf2 files
// of `dir` in name order. Only files FluidSynth recognises are listed.
std::vector<std::string> soundfont_candidates(const std::string& dir = kSoundFontDir);

// The built-in General MIDI synthesizer. With Audio::system it plays through the
// first sound server that takes it (PulseAudio or PipeWire, then JACK, then ALSA)
// with a buffer of a few milliseconds; with Audio::none nothing plays and render()
// pulls the samples, which lets tests listen without a sound card.
class FluidSynthOutput {
 public:
  enum class Audio { system, none };

  FluidSynthOutput() = default;
  ~FluidSynthOutput() { close(); }
  FluidSynthOutput(const FluidSynthOutput&) = delete;
  FluidSynthOutput& operator=(const FluidSynthOutput&) = delete;

  // Loads the first candidate that loads; fails (and nothing is open) when no
  // SoundFont loads or, with Audio::system, no audio driver starts within
  // kOpenLimit (a sound server may take the connection and never answer). The
  // reason tells what was tried and why each try failed.
  Result open(const std::vector<std::string>& soundfonts, Audio audio);
  void close();
  bool is_open() const { return synth_ != nullptr; }

  // Note on and off, program change, control change and pitch bend; the rest is
  // dropped. Does nothing when closed.
  void send(ShortMessage message) noexcept;

  // Audio::none only: renders `frames` stereo frames. False when it cannot.
  bool render(float* left, float* right, int frames);

  double sample_rate() const;
  // The audio driver playing the sound ("pulseaudio", "jack", "alsa"), or empty.
  const std::string& audio_driver() const { return driver_name_; }
  const std::string& soundfont() const { return soundfont_; }

 private:
  bool open_here(const std::vector<std::string>& soundfonts, Audio audio);
  Result outcome(bool opened) const;
  bool start_audio();
  void take_from(FluidSynthOutput& other);

  _fluid_hashtable_t* settings_ = nullptr;
  _fluid_synth_t* synth_ = nullptr;
  _fluid_audio_driver_t* driver_ = nullptr;
  std::string driver_name_;
  // jack_server_losses() when the audio driver started.
  uint64_t jack_losses_at_open_ = 0;
  std::string soundfont_;
  std::string failure_;
};

// How long an open may wait for the sound server before it counts as failed.
inline constexpr int kOpenLimitSeconds = 4;
// Ends every wait for a sound server at once (the program is ending).
void stop_waiting_for_sound_servers();
// True once an open was given up while a sound server still held it: its thread
// cannot be joined, so the program must end without running static destructors.
bool sound_open_abandoned();

}  // namespace tastarion
