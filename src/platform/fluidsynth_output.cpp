#include "platform/fluidsynth_output.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/quiet_drivers.h"

namespace tastarion {

namespace {

constexpr double kSampleRate = 48000.0;
// 2 x 128 frames at 48 kHz: about 5 ms between a key and its sound, with room
// for a desktop's scheduling jitter.
constexpr int kPeriodSize = 128;
constexpr int kPeriods = 2;

bool has_extension_sf2(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return ext == ".sf2";
}

// ALSA's library reports a missing card on standard error by itself, so it is
// only tried where a playback device exists or the user configured ALSA.
bool alsa_worth_trying() {
  if (std::getenv("ALSA_CONFIG_PATH") != nullptr) return true;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/snd", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("pcmC") && name.ends_with("p")) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> soundfont_candidates(const std::string& dir) {
  quiet_sound_drivers();
  namespace fs = std::filesystem;
  std::vector<std::string> found;
  const fs::path preferred = fs::path(dir) / "default-GM.sf2";
  std::vector<std::string> others;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    if (!has_extension_sf2(entry.path()) || entry.path() == preferred) continue;
    others.push_back(entry.path().string());
  }
  std::sort(others.begin(), others.end());
  others.insert(others.begin(), preferred.string());
  std::vector<fs::path> seen;  // default-GM.sf2 is usually a link to one of the others
  for (const std::string& path : others) {
    if (!fs::is_regular_file(path, ec) || !fluid_is_soundfont(path.c_str())) continue;
    const fs::path real = fs::canonical(path, ec);
    if (std::find(seen.begin(), seen.end(), real) != seen.end()) continue;
    seen.push_back(real);
    found.push_back(path);
  }
  return found;
}

Result FluidSynthOutput::open(const std::vector<std::string>& soundfonts, Audio audio) {
  close();
  quiet_sound_drivers();
  settings_ = new_fluid_settings();
  if (settings_ == nullptr) return Result::failure("FluidSynth could not make its settings.");
  fluid_settings_setnum(settings_, "synth.sample-rate", kSampleRate);
  fluid_settings_setint(settings_, "audio.period-size", kPeriodSize);
  fluid_settings_setint(settings_, "audio.periods", kPeriods);
  fluid_settings_setint(settings_, "audio.jack.autoconnect", 1);
  fluid_settings_setstr(settings_, "audio.jack.id", "Tastarion");
  synth_ = new_fluid_synth(settings_);
  if (synth_ == nullptr) {
    close();
    return Result::failure("FluidSynth could not start a synthesizer.");
  }
  for (const std::string& path : soundfonts) {
    if (fluid_synth_sfload(synth_, path.c_str(), 1) != FLUID_FAILED) {
      soundfont_ = path;
      break;
    }
  }
  if (soundfont_.empty()) {
    close();
    return Result::failure(soundfonts.empty()
                               ? "FluidSynth has no SoundFont to load."
                               : "FluidSynth could not load the SoundFont " + soundfonts.front() +
                                     (soundfonts.size() > 1 ? " nor any other." : "."));
  }
  if (audio == Audio::system && !start_audio()) {
    close();
    return Result::failure(
        "FluidSynth found no sound output: neither PulseAudio, JACK nor ALSA took it.");
  }
  return Result::success();
}

bool FluidSynthOutput::start_audio() {
  for (const char* name : {"pulseaudio", "jack", "alsa"}) {
    if (std::string_view(name) == "alsa" && !alsa_worth_trying()) continue;
    if (fluid_settings_setstr(settings_, "audio.driver", name) == FLUID_FAILED) continue;
    driver_ = new_fluid_audio_driver(settings_, synth_);
    if (driver_ != nullptr) {
      driver_name_ = name;
      return true;
    }
  }
  return false;
}

void FluidSynthOutput::close() {
  // The driver calls into the synth from its own thread: it goes first.
  if (driver_ != nullptr) delete_fluid_audio_driver(driver_);
  if (synth_ != nullptr) delete_fluid_synth(synth_);
  if (settings_ != nullptr) delete_fluid_settings(settings_);
  driver_ = nullptr;
  synth_ = nullptr;
  settings_ = nullptr;
  driver_name_.clear();
  soundfont_.clear();
}

void FluidSynthOutput::send(ShortMessage message) noexcept {
  if (synth_ == nullptr) return;
  const int channel = status_of(message) & 0x0F;
  const int data1 = data1_of(message) & 0x7F;
  const int data2 = data2_of(message) & 0x7F;
  switch (status_of(message) & 0xF0) {
    case 0x90:
      if (data2 != 0) {
        fluid_synth_noteon(synth_, channel, data1, data2);
        break;
      }
      [[fallthrough]];
    case 0x80:
      fluid_synth_noteoff(synth_, channel, data1);
      break;
    case 0xB0:
      fluid_synth_cc(synth_, channel, data1, data2);
      break;
    case 0xC0:
      fluid_synth_program_change(synth_, channel, data1);
      break;
    case 0xE0:
      fluid_synth_pitch_bend(synth_, channel, data1 | (data2 << 7));
      break;
    default:
      break;
  }
}

bool FluidSynthOutput::render(float* left, float* right, int frames) {
  if (synth_ == nullptr || driver_ != nullptr) return false;
  return fluid_synth_write_float(synth_, frames, left, 0, 1, right, 0, 1) == FLUID_OK;
}

double FluidSynthOutput::sample_rate() const {
  double rate = 0;
  if (settings_ != nullptr) fluid_settings_getnum(settings_, "synth.sample-rate", &rate);
  return rate;
}

}  // namespace tastarion
