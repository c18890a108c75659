#include "synth/audio_file_render.h"

#include <fcntl.h>
#include <fluidsynth.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/quiet_drivers.h"
#include "synth/fluidsynth_output.h"

namespace tastarion {

namespace {

constexpr double kRate = 48000.0;
// FluidSynth's file renderer writes a period at a time: an event lands within
// 64 frames (1.3 ms) of its time.
constexpr int kPeriod = 64;
// The reverb rings on after the last voice has ended.
constexpr double kReverbSeconds = 1.0;

const char* fluid_file_type(AudioFileType type) {
  switch (type) {
    case AudioFileType::wav:
      return "wav";
    case AudioFileType::flac:
      return "flac";
    case AudioFileType::ogg:
      return "oga";
  }
  return "wav";
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The temporary file beside `path`, created so that no one else's is reused.
std::string create_temporary(const std::string& path, int& error) {
  const auto slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temp = (slash == std::string::npos ? "" : dir) + "." + base.substr(0, 200) +
                       ".tmp" + std::to_string(getpid()) + "-" + std::to_string(attempt);
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      close(fd);
      return temp;
    }
    if (errno != EEXIST) break;
  }
  error = errno;
  return {};
}

struct SettingsDeleter {
  void operator()(fluid_settings_t* s) const { delete_fluid_settings(s); }
};
struct SynthDeleter {
  void operator()(fluid_synth_t* s) const { delete_fluid_synth(s); }
};
struct RendererDeleter {
  void operator()(fluid_file_renderer_t* r) const { delete_fluid_file_renderer(r); }
};

// One rendering into the temporary file: the song, then its release tail.
class Rendering {
 public:
  Rendering(const MidiSong& song, const std::function<bool(double)>& progress)
      : song_(song), progress_(progress) {}

  AudioRendering run(const std::string& temp, AudioFileType type,
                     const std::vector<std::string>& soundfonts, const std::string& path) {
    AudioRendering outcome;
    DriverMessages messages;
    settings_.reset(new_fluid_settings());
    if (!settings_) return failed("FluidSynth cannot start");
    fluid_settings_setnum(settings_.get(), "synth.sample-rate", kRate);
    fluid_settings_setint(settings_.get(), "synth.lock-memory", 0);
    fluid_settings_setint(settings_.get(), "audio.period-size", kPeriod);
    fluid_settings_setstr(settings_.get(), "audio.file.name", temp.c_str());
    fluid_settings_setstr(settings_.get(), "audio.file.type", fluid_file_type(type));
    // 16 bits; for Ogg FluidSynth picks Vorbis itself.
    fluid_settings_setstr(settings_.get(), "audio.file.format", "s16");
    synth_.reset(new_fluid_synth(settings_.get()));
    if (!synth_) return failed("FluidSynth cannot start");
    bool loaded = false;
    for (const std::string& font : soundfonts) {
      if (fluid_synth_sfload(synth_.get(), font.c_str(), 1) != FLUID_FAILED) {
        loaded = true;
        break;
      }
    }
    if (!loaded) {
      return failed(std::string("no SoundFont loads (") + kSoundFontPackages + ")");
    }
    settle_synth_gain(synth_.get());
    renderer_.reset(new_fluid_file_renderer(synth_.get()));
    if (!renderer_) {
      std::string why;
      for (const std::string& line : messages.take()) why += (why.empty() ? ": " : "; ") + line;
      return failed(path + " cannot be written" + why);
    }

    const auto total = static_cast<double>(song_.length_us) / 1e6 + 1.0;
    for (const MidiSong::Event& event : song_.events) {
      if (!render_until(static_cast<double>(event.time_us) / 1e6, total)) return stopped();
      play_on_synth(synth_.get(), event.message);
    }
    if (!render_until(static_cast<double>(song_.length_us) / 1e6, total)) return stopped();
    // What the song leaves held dies away like a released key.
    for (int channel = 0; channel < 16; ++channel) {
      fluid_synth_cc(synth_.get(), channel, 64, 0);
      fluid_synth_all_notes_off(synth_.get(), channel);
    }
    const double tail_end = seconds() + kMaxReleaseTailSeconds;
    while (fluid_synth_get_active_voice_count(synth_.get()) > 0 && seconds() < tail_end) {
      if (!render_until(seconds() + 0.1, total)) return stopped();
    }
    if (!render_until(std::min(seconds() + kReverbSeconds, tail_end), total)) return stopped();
    renderer_.reset();  // closes the file
    outcome.seconds = seconds();
    return outcome;
  }

 private:
  double seconds() const { return static_cast<double>(frames_) / kRate; }

  // Renders whole periods up to `time` seconds; false when writing failed or
  // the user cancelled.
  bool render_until(double time, double total) {
    const auto target = static_cast<uint64_t>(std::llround(time * kRate));
    while (frames_ + kPeriod <= target) {
      if (fluid_file_renderer_process_block(renderer_.get()) != FLUID_OK) {
        return false;
      }
      frames_ += kPeriod;
      if (progress_ && frames_ % (1u << 16) == 0 && !progress_(std::min(seconds() / total, 1.0))) {
        cancelled_ = true;
        return false;
      }
    }
    return true;
  }

  AudioRendering failed(const std::string& reason) {
    AudioRendering outcome;
    outcome.result = Result::failure(reason + ".");
    return outcome;
  }
  AudioRendering stopped() {
    if (cancelled_) {
      AudioRendering outcome = failed("the rendering was cancelled");
      outcome.cancelled = true;
      return outcome;
    }
    return failed("writing the audio failed");
  }

  const MidiSong& song_;
  const std::function<bool(double)>& progress_;
  std::unique_ptr<fluid_settings_t, SettingsDeleter> settings_;
  std::unique_ptr<fluid_synth_t, SynthDeleter> synth_;
  std::unique_ptr<fluid_file_renderer_t, RendererDeleter> renderer_;
  uint64_t frames_ = 0;
  bool cancelled_ = false;
};

}  // namespace

std::optional<AudioFileType> audio_file_type_of(const std::string& path) {
  const auto dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return std::nullopt;
  const std::string extension = lower(path.substr(dot + 1));
  if (extension == "wav") return AudioFileType::wav;
  if (extension == "flac") return AudioFileType::flac;
  if (extension == "ogg" || extension == "oga") return AudioFileType::ogg;
  return std::nullopt;
}

AudioRendering render_song_to_file(const MidiSong& song, const std::string& path,
                                   const std::vector<std::string>& soundfonts,
                                   const std::function<bool(double)>& progress) {
  AudioRendering outcome;
  const std::optional<AudioFileType> type = audio_file_type_of(path);
  if (!type) {
    outcome.result = Result::failure("The audio type of " + path +
                                     " is not known: name it .wav, .flac or .ogg.");
    return outcome;
  }
  quiet_sound_drivers();
  int error = 0;
  const std::string temp = create_temporary(path, error);
  if (temp.empty()) {
    outcome.result = Result::failure(path + " cannot be written: " + std::strerror(error) + ".");
    return outcome;
  }
  {
    Rendering rendering(song, progress);
    outcome = rendering.run(temp, *type, soundfonts, path);
  }
  if (outcome.result && std::rename(temp.c_str(), path.c_str()) != 0) {
    outcome.result =
        Result::failure(path + " cannot be put in place: " + std::strerror(errno) + ".");
  }
  if (!outcome.result) {
    unlink(temp.c_str());
    if (!outcome.cancelled && outcome.result.reason().find(path) == std::string::npos) {
      outcome.result = Result::failure(path + " was not written: " + outcome.result.reason());
    }
  }
  return outcome;
}

int render_command(const std::string& in, const std::string& out, std::FILE* err) {
  if (!audio_file_type_of(out)) {
    std::fprintf(err,
                 "tastarion: the audio type of '%s' is not known: name it .wav, .flac or .ogg\n",
                 out.c_str());
    return 2;
  }
  const MidiFileReading reading = load_midi_file(in);
  if (!reading.ok()) {
    std::fprintf(err, "tastarion: %s\n", reading.failure.english().c_str());
    return 1;
  }
  const AudioRendering rendering = render_song_to_file(reading.song, out, soundfont_candidates());
  if (!rendering.result) {
    std::fprintf(err, "tastarion: %s\n", rendering.result.reason().c_str());
    return 1;
  }
  return 0;
}

}  // namespace tastarion
