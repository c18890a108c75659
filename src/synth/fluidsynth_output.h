#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/result.h"
#include "engine/short_message.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;

namespace tastarion {

inline constexpr const char* kSoundFontDir = "/usr/share/sounds/sf2";
inline constexpr const char* kSoundFont3Dir = "/usr/share/sounds/sf3";
inline constexpr const char* kSynthDeviceName = "FluidSynth GM";
// What to install when no SoundFont is found, in the words of a failure.
inline constexpr const char* kSoundFontPackages =
    "install a General MIDI SoundFont (Debian: timgm6mb-soundfont or fluid-soundfont-gm)";

class DriverMessages;
class PeakLimiter;
class PipeWireAudio;
struct SynthOutput;

// FluidSynth's own default SoundFont (its setting synth.default-soundfont), or
// empty when it names none.
std::string fluidsynth_default_soundfont();

// SoundFont files to try, best first: `first`, then for each of `dirs` its
// default-GM.sf2 (or .sf3) and its other .sf2 and .sf3 files in name order.
// Only files FluidSynth recognises are listed, each file once.
std::vector<std::string> soundfont_candidates(const std::vector<std::string>& dirs,
                                              const std::string& first = {});
// The files of `dir` alone.
std::vector<std::string> soundfont_candidates(const std::string& dir);
// The folders SoundFonts are looked for in, best first: sounds/sf2 and
// sounds/sf3 of $XDG_DATA_HOME (~/.local/share), then of each folder of
// $XDG_DATA_DIRS (/usr/local/share:/usr/share).
std::vector<std::string> soundfont_dirs();
// The usual places: the files of soundfont_dirs(), then FluidSynth's own default.
std::vector<std::string> soundfont_candidates();

// The built-in General MIDI synthesizer. With Audio::system it plays through the
// first sound server that takes it (a PipeWire stream of its own, then JACK, then
// PulseAudio, then ALSA) with a buffer of a few milliseconds; with Audio::none
// nothing plays and render() pulls the samples, which lets tests listen without a
// sound card. Only the instruments in use are read from the SoundFont.
class FluidSynthOutput {
 public:
  enum class Audio { system, none };

  FluidSynthOutput();
  ~FluidSynthOutput();
  FluidSynthOutput(const FluidSynthOutput&) = delete;
  FluidSynthOutput& operator=(const FluidSynthOutput&) = delete;

  // Loads the first candidate that loads; fails (and nothing is open) when no
  // SoundFont loads or, with Audio::system, no sound server takes the sound.
  // Each server has kOpenLimitSeconds to answer (one may take the connection and
  // never answer); reading the SoundFont is not limited. The reason tells what
  // was tried and why each try failed.
  Result open(const std::vector<std::string>& soundfonts, Audio audio);
  void close();
  bool is_open() const { return synth_ != nullptr; }

  // Channel messages; the rest is dropped. Does nothing when closed.
  void send(ShortMessage message) noexcept;

  // Reads `program`'s samples ahead (MidiOutputService::prepare_program).
  void prepare_program(int program);

  // Audio::none only: renders `frames` stereo frames. False when it cannot.
  bool render(float* left, float* right, int frames);

  double sample_rate() const;
  // The output playing the sound ("pipewire", "jack", "pulseaudio", "alsa"), or empty.
  const std::string& audio_driver() const { return driver_name_; }
  const std::string& soundfont() const { return soundfont_; }

  // What the synthesizer has to tell the player since the last call
  // (MidiOutputService::take_notices).
  std::vector<std::string> take_notices();

  // From the next open, reads every preset of the SoundFont, not only the
  // instruments' (for comparison).
  void read_whole_soundfont() { whole_soundfont_ = true; }

 private:
  struct Attempt;
  std::shared_ptr<Attempt> start_attempt(const std::vector<std::string>& soundfonts);
  bool open_here(const std::vector<std::string>& soundfonts, Audio audio);
  bool make_synth(DriverMessages& messages);
  bool load_soundfont(const std::vector<std::string>& soundfonts, DriverMessages& messages);
  Result outcome(bool opened) const;
  void warm_up();
  void settle_gain();
  bool start_audio();
  bool start_fluid_driver(const char* name, DriverMessages& messages, std::string& why);
  bool start_pipewire(std::string& why);
  void take_from(FluidSynthOutput& other);
  // Any thread but an audio callback's.
  void notice(std::string text);
  void change_program(int channel, int program) noexcept;

  _fluid_hashtable_t* settings_ = nullptr;
  _fluid_synth_t* synth_ = nullptr;
  _fluid_audio_driver_t* driver_ = nullptr;
  // What the audio callbacks render with: the synth and the limiter after it.
  std::unique_ptr<SynthOutput> output_;
  std::unique_ptr<PipeWireAudio> pipewire_;
  // Told, on the opening thread, each time a sound server is tried, with its name.
  std::function<void(const char*)> trying_server_;
  std::string driver_name_;
  // jack_server_losses() when the audio driver started.
  uint64_t jack_losses_at_open_ = 0;
  std::string soundfont_;
  std::string failure_;
  // What helps with failure_, when the usual advice (start a server) does not.
  std::string remedy_;
  bool whole_soundfont_ = false;
  std::mutex notices_mutex_;
  std::vector<std::string> notices_;
};

// Sets the synthesizer's gain so that one piano note at the default volume
// peaks near -18 dBFS, whatever the SoundFont: device 0's level.
void settle_synth_gain(_fluid_synth_t* synth);
// Plays one channel message on the synthesizer.
void play_on_synth(_fluid_synth_t* synth, ShortMessage message) noexcept;

// How long an open may wait for the sound server before it counts as failed.
inline constexpr int kOpenLimitSeconds = 4;
// Ends every wait for a sound server at once (the program is ending).
void stop_waiting_for_sound_servers();

}  // namespace tastarion
