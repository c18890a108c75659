#include "platform/fluidsynth_output.h"

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/jack_clients.h"
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

// Every open waiting for a sound server waits on this, so that the end of the
// program can stop them all.
std::mutex wait_mutex;
std::condition_variable wait_changed;
bool stop_waiting = false;
std::atomic<bool> abandoned{false};

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "; ") + line;
  return text;
}

}  // namespace

void stop_waiting_for_sound_servers() {
  std::lock_guard lock(wait_mutex);
  stop_waiting = true;
  wait_changed.notify_all();
}

bool sound_open_abandoned() {
  return abandoned.load();
}

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

Result FluidSynthOutput::outcome(bool opened) const {
  return opened ? Result::success() : Result::failure(failure_);
}

Result FluidSynthOutput::open(const std::vector<std::string>& soundfonts, Audio audio) {
  close();
  failure_.clear();
  if (audio == Audio::none) return outcome(open_here(soundfonts, audio));

  // Opened on a thread of its own, so that a server that never answers costs
  // this caller kOpenLimitSeconds and not the rest of the run.
  struct Attempt {
    FluidSynthOutput synth;
    bool done = false;
    bool opened = false;
  };
  auto attempt = std::make_shared<Attempt>();
  std::thread([attempt, soundfonts] {
    const bool opened = attempt->synth.open_here(soundfonts, Audio::system);
    std::lock_guard lock(wait_mutex);
    attempt->opened = opened;
    attempt->done = true;
    // Given up: the synth closes here, with the last reference to it.
    wait_changed.notify_all();
  }).detach();

  std::unique_lock lock(wait_mutex);
  wait_changed.wait_for(lock, std::chrono::seconds(kOpenLimitSeconds),
                        [&] { return attempt->done || stop_waiting; });
  if (!attempt->done) {
    abandoned = true;
    failure_ = std::string(kSynthDeviceName) + ": the sound server did not answer within " +
               std::to_string(kOpenLimitSeconds) + " seconds.";
    return Result::failure(failure_);
  }
  if (!attempt->opened) {
    failure_ = attempt->synth.failure_;
    return Result::failure(failure_);
  }
  take_from(attempt->synth);
  return Result::success();
}

bool FluidSynthOutput::open_here(const std::vector<std::string>& soundfonts, Audio audio) {
  DriverMessages messages;
  settings_ = new_fluid_settings();
  if (settings_ == nullptr) {
    failure_ = std::string(kSynthDeviceName) + ": FluidSynth cannot start.";
    return false;
  }
  fluid_settings_setnum(settings_, "synth.sample-rate", kSampleRate);
  fluid_settings_setint(settings_, "audio.period-size", kPeriodSize);
  fluid_settings_setint(settings_, "audio.periods", kPeriods);
  fluid_settings_setint(settings_, "audio.jack.autoconnect", 1);
  fluid_settings_setstr(settings_, "audio.jack.id", "Tastarion");
  synth_ = new_fluid_synth(settings_);
  if (synth_ == nullptr) {
    failure_ =
        std::string(kSynthDeviceName) + ": FluidSynth cannot start: " + joined(messages.take());
    close();
    return false;
  }
  for (const std::string& path : soundfonts) {
    if (fluid_synth_sfload(synth_, path.c_str(), 1) != FLUID_FAILED) {
      soundfont_ = path;
      break;
    }
  }
  if (soundfont_.empty()) {
    failure_ = std::string(kSynthDeviceName) + ": no SoundFont loads. " + joined(messages.take());
    close();
    return false;
  }
  messages.take();
  if (audio == Audio::system && !start_audio()) {
    const std::string why = failure_;
    close();
    failure_ = why;
    return false;
  }
  return true;
}

bool FluidSynthOutput::start_audio() {
  failure_ = std::string(kSynthDeviceName) + " found no sound output:";
  DriverMessages messages;
  for (const char* name : {"pulseaudio", "jack", "alsa"}) {
    failure_ += "\n  ";
    failure_ += name;
    if (std::string_view(name) == "alsa" && !alsa_worth_trying()) {
      failure_ += ": no sound card here.";
      continue;
    }
    if (fluid_settings_setstr(settings_, "audio.driver", name) == FLUID_FAILED) {
      failure_ += ": not built into this FluidSynth.";
      continue;
    }
    {
      // A JACK client keeps the rules of jack_clients.h.
      std::unique_lock<std::mutex> lock;
      if (std::string_view(name) == "jack") lock = jack_clients_lock();
      jack_losses_at_open_ = jack_server_losses();
      driver_ = new_fluid_audio_driver(settings_, synth_);
      jack_losses_at_open_ = jack_server_losses();
    }
    if (driver_ != nullptr) {
      driver_name_ = name;
      failure_.clear();
      return true;
    }
    const std::string said = joined(messages.take());
    failure_ += ": " + (said.empty() ? std::string("it did not start.") : said);
  }
  return false;
}

void FluidSynthOutput::take_from(FluidSynthOutput& other) {
  std::swap(settings_, other.settings_);
  std::swap(synth_, other.synth_);
  std::swap(driver_, other.driver_);
  std::swap(driver_name_, other.driver_name_);
  std::swap(jack_losses_at_open_, other.jack_losses_at_open_);
  std::swap(soundfont_, other.soundfont_);
}

void FluidSynthOutput::close() {
  if (driver_ != nullptr && driver_name_ == "jack" &&
      jack_server_losses() != jack_losses_at_open_) {
    // Its JACK server was lost: libjack frees, or has freed, the client itself,
    // and a process thread may still be in the synth. All of it is left.
    driver_ = nullptr;
    synth_ = nullptr;
    settings_ = nullptr;
  }
  // The driver calls into the synth from its own thread: it goes first.
  if (driver_ != nullptr) {
    std::unique_lock<std::mutex> lock;
    if (driver_name_ == "jack") lock = jack_clients_lock();
    delete_fluid_audio_driver(driver_);
  }
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
