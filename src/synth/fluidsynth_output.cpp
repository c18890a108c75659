#include "synth/fluidsynth_output.h"

#include <fluidsynth.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "engine/sound_settings.h"
#include "engine/trace.h"
#include "platform/jack_clients.h"
#include "platform/left_behind.h"
#include "platform/quiet_drivers.h"
#include "synth/peak_limiter.h"
#include "synth/pipewire_audio.h"
#include "synth/soundfont_loader.h"

namespace tastarion {

namespace {

constexpr double kSampleRate = 48000.0;
// 2 x 128 frames at 48 kHz: about 5 ms between a key and its sound, with room
// for a desktop's scheduling jitter.
constexpr int kPeriodSize = 128;
constexpr int kPeriods = 2;
constexpr int kPolyphony = 128;
// The PipeWire graph's cycle while the program plays: 128 frames at 48 kHz. With
// bench/synth_latency.sh the synthesizer's output answered a key alike at 64,
// 128 and 256 frames (medians near 5 ms), but the sound card's own buffer grows
// with the cycle, and 64 frames gave the worst single taps on a loaded machine.
constexpr int kPipeWireLatencyFrames = 128;
// PipeWire's own wait ends a second before the open gives up on the server, so
// that its reason is the one told.
constexpr auto kPipeWireLimit = std::chrono::seconds(kOpenLimitSeconds - 1);

std::string lower_extension(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return ext;
}

bool has_soundfont_extension(const std::filesystem::path& path) {
  const std::string ext = lower_extension(path);
  return ext == ".sf2" || ext == ".sf3";
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

constexpr const char* kOtherDevice = ", or choose another device with Page Up / Page Down.";

// A JACK server of the name libjack would use has its socket here.
bool jack_server_socket_present() {
  const char* name = std::getenv("JACK_DEFAULT_SERVER");
  const std::string path = "/dev/shm/jack_" + std::string(name != nullptr ? name : "default") +
                           "_" + std::to_string(getuid()) + "_0";
  std::error_code ec;
  return std::filesystem::is_socket(path, ec);
}

// The libraries' own lines are for whoever reads standard error; the box has ours.
void pass_to_stderr(DriverMessages& messages) {
  for (const std::string& line : messages.take()) print_to_stderr(line + '\n');
}

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

std::string fluidsynth_default_soundfont() {
  quiet_sound_drivers();
  fluid_settings_t* settings = new_fluid_settings();
  if (settings == nullptr) return {};
  char* path = nullptr;
  std::string found;
  if (fluid_settings_dupstr(settings, "synth.default-soundfont", &path) == FLUID_OK &&
      path != nullptr) {
    found = path;
  }
  fluid_free(path);
  delete_fluid_settings(settings);
  return found;
}

std::vector<std::string> soundfont_candidates(const std::vector<std::string>& dirs,
                                              const std::string& first) {
  quiet_sound_drivers();
  namespace fs = std::filesystem;
  std::vector<std::string> paths;
  if (!first.empty()) paths.push_back(first);
  for (const std::string& dir : dirs) {
    std::vector<std::string> defaults, others;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
      if (!has_soundfont_extension(entry.path())) continue;
      (entry.path().stem() == "default-GM" ? defaults : others).push_back(entry.path().string());
    }
    std::sort(defaults.begin(), defaults.end());
    std::sort(others.begin(), others.end());
    paths.insert(paths.end(), defaults.begin(), defaults.end());
    paths.insert(paths.end(), others.begin(), others.end());
  }
  std::vector<std::string> found;
  std::vector<fs::path> seen;  // default-GM.sf2 is usually a link to one of the others
  for (const std::string& path : paths) {
    std::error_code ec;
    // What is no SoundFont is tried all the same, for its reason to be told.
    if (!fs::exists(path, ec)) continue;
    const fs::path real = fs::canonical(path, ec);
    if (std::find(seen.begin(), seen.end(), real) != seen.end()) continue;
    seen.push_back(real);
    found.push_back(path);
  }
  return found;
}

std::vector<std::string> soundfont_candidates(const std::string& dir) {
  return soundfont_candidates(std::vector<std::string>{dir});
}

std::vector<std::string> soundfont_dirs() {
  // As the freedesktop base directories have it: the user's own data folder,
  // then the system's, most important first.
  std::vector<std::string> bases;
  const char* home_data = std::getenv("XDG_DATA_HOME");
  if (home_data != nullptr && *home_data == '/') {
    bases.emplace_back(home_data);
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    bases.push_back(std::string(home) + "/.local/share");
  }
  const char* data_dirs = std::getenv("XDG_DATA_DIRS");
  std::string_view rest =
      data_dirs != nullptr && *data_dirs != '\0' ? data_dirs : "/usr/local/share:/usr/share";
  while (!rest.empty()) {
    const size_t colon = rest.find(':');
    const std::string_view base = rest.substr(0, colon);
    // Relative entries are to be ignored.
    if (base.starts_with('/')) bases.emplace_back(base);
    rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
  }
  std::vector<std::string> dirs;
  for (const std::string& base : bases) {
    for (const char* kind : {"/sounds/sf2", "/sounds/sf3"}) dirs.push_back(base + kind);
  }
  return dirs;
}

std::vector<std::string> soundfont_candidates() {
  std::vector<std::string> found = soundfont_candidates(soundfont_dirs());
  // FluidSynth's own default last: it names a file of the system's folders,
  // which the user's own come before.
  const std::string fallback = fluidsynth_default_soundfont();
  if (fallback.empty()) return found;
  std::error_code ec;
  const std::filesystem::path real = std::filesystem::canonical(fallback, ec);
  for (const std::string& path : found) {
    std::error_code same_ec;
    if (std::filesystem::canonical(path, same_ec) == real) return found;
  }
  for (const std::string& path : soundfont_candidates({}, fallback)) found.push_back(path);
  return found;
}

struct SynthOutput {
  fluid_synth_t* synth = nullptr;
  PeakLimiter limiter{kSampleRate};
};

FluidSynthOutput::FluidSynthOutput() = default;

FluidSynthOutput::~FluidSynthOutput() {
  close();
}

Result FluidSynthOutput::outcome(bool opened) const {
  return opened ? Result::success() : Result::failure(failure_, remedy_);
}

// One opening on a thread of its own, and what it told of its progress.
struct FluidSynthOutput::Attempt {
  FluidSynthOutput synth;
  bool done = false;
  bool opened = false;
  std::optional<std::chrono::steady_clock::time_point> server_since;
  std::string server;
};

Result FluidSynthOutput::open(const std::vector<std::string>& soundfonts, Audio audio) {
  close();
  failure_.clear();
  remedy_.clear();
  if (audio == Audio::none) return outcome(open_here(soundfonts, audio));

  // Opened on a thread of its own, so that a server that never answers costs
  // this caller kOpenLimitSeconds and not the rest of the run. Reading the
  // SoundFont takes what it takes: only the servers are timed.
  const std::shared_ptr<Attempt> attempt = start_attempt(soundfonts);
  std::unique_lock lock(wait_mutex);
  const auto limit = std::chrono::seconds(kOpenLimitSeconds);
  while (!attempt->done && !stop_waiting) {
    if (!attempt->server_since) {
      wait_changed.wait(lock);
      continue;
    }
    const auto deadline = *attempt->server_since + limit;
    if (std::chrono::steady_clock::now() >= deadline) break;
    wait_changed.wait_until(lock, deadline);
  }
  if (!attempt->done) {
    note_left_behind("the opening of the synthesizer's sound output");
    failure_ = std::string(kSynthDeviceName) + ": the sound server" +
               (attempt->server.empty() ? "" : " (" + attempt->server + ")") +
               " did not answer within " + std::to_string(kOpenLimitSeconds) + " seconds.";
    remedy_ = std::string("Restart the sound server that does not answer") + kOtherDevice;
    return outcome(false);
  }
  if (!attempt->opened) {
    failure_ = attempt->synth.failure_;
    remedy_ = attempt->synth.remedy_;
    return outcome(false);
  }
  take_from(attempt->synth);
  return Result::success();
}

std::shared_ptr<FluidSynthOutput::Attempt> FluidSynthOutput::start_attempt(
    const std::vector<std::string>& soundfonts) {
  auto attempt = std::make_shared<Attempt>();
  attempt->synth.whole_soundfont_ = whole_soundfont_;
  attempt->synth.trying_server_ = [weak = std::weak_ptr<Attempt>(attempt)](const char* name) {
    std::lock_guard lock(wait_mutex);
    if (const auto held = weak.lock()) {
      held->server_since = std::chrono::steady_clock::now();
      held->server = name;
    }
    wait_changed.notify_all();
  };
  std::thread([attempt, soundfonts] {
    const bool opened = attempt->synth.open_here(soundfonts, Audio::system);
    std::lock_guard lock(wait_mutex);
    attempt->opened = opened;
    attempt->done = true;
    // Given up: the synth closes here, with the last reference to it.
    wait_changed.notify_all();
  }).detach();
  return attempt;
}

bool FluidSynthOutput::open_here(const std::vector<std::string>& soundfonts, Audio audio) {
  DriverMessages messages;
  const bool made = make_synth(messages);
  const bool loaded = made && load_soundfont(soundfonts, messages);
  if (made && !loaded) {
    remedy_ = std::string(
                  "Install or repair a General MIDI SoundFont (Debian: "
                  "timgm6mb-soundfont or fluid-soundfont-gm)") +
              kOtherDevice;
  }
  if (!loaded) {
    const std::string why = failure_;
    close();
    failure_ = why;
    return false;
  }
  messages.take();
  warm_up();
  if (audio == Audio::system) {
    if (!start_audio()) {
      const std::string why = failure_;
      close();
      failure_ = why;
      return false;
    }
  }
  return true;
}

bool FluidSynthOutput::make_synth(DriverMessages& messages) {
  settings_ = new_fluid_settings();
  if (settings_ == nullptr) {
    failure_ = std::string(kSynthDeviceName) + ": FluidSynth cannot start.";
    return false;
  }
  fluid_settings_setnum(settings_, "synth.sample-rate", kSampleRate);
  // Fifteen notes and the metronome, each with a few layers and a release tail,
  // stay far below this; each voice more costs memory.
  fluid_settings_setint(settings_, "synth.polyphony", kPolyphony);
  // Only the instruments chosen take memory: a large SoundFont costs no more
  // than a small one, and loads in a fraction of the time.
  fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
  fluid_settings_setint(settings_, "audio.period-size", kPeriodSize);
  fluid_settings_setint(settings_, "audio.periods", kPeriods);
  fluid_settings_setint(settings_, "audio.jack.autoconnect", 1);
  // "Tastarion" is the client of the program's MIDI ports.
  fluid_settings_setstr(settings_, "audio.jack.id", "Tastarion-synth");
  fluid_settings_setstr(settings_, "audio.pulseaudio.media-role", "production");
  synth_ = new_fluid_synth(settings_);
  if (synth_ == nullptr) {
    failure_ =
        std::string(kSynthDeviceName) + ": FluidSynth cannot start: " + joined(messages.take());
    return false;
  }
  if (!whole_soundfont_) load_only_instruments(synth_, settings_);
  output_ = std::make_unique<SynthOutput>();
  output_->synth = synth_;
  return true;
}

bool FluidSynthOutput::load_soundfont(const std::vector<std::string>& soundfonts,
                                      DriverMessages& messages) {
  // Each file passed over, with why.
  std::string passed_over;
  for (const std::string& path : soundfonts) {
    std::string problem = soundfont_problem(path);
    if (problem.empty()) {
      if (fluid_synth_sfload(synth_, path.c_str(), 1) != FLUID_FAILED) {
        soundfont_ = path;
        // A SoundFont of the player's own that does not load is worth a word.
        if (!passed_over.empty()) {
          notice(std::string(kSynthDeviceName) + ": " + passed_over + "; it was passed over, and " +
                 path + " plays.");
        }
        return true;
      }
      problem = " did not load";
    }
    passed_over += (passed_over.empty() ? "" : "; ") + path + problem;
  }
  failure_ = std::string(kSynthDeviceName) + ": no SoundFont loads (" + kSoundFontPackages + "). " +
             (passed_over.empty() ? "" : passed_over + ". ") + joined(messages.take());
  return false;
}

// Plays a note nobody hears before any output exists, so that the first key's
// voice finds the synthesizer's code and the instrument's samples in memory;
// first, the gain is set.
void FluidSynthOutput::warm_up() {
  settle_gain();
  constexpr int kFrames = 4096;
  std::vector<float> left(kFrames), right(kFrames);
  for (int channel : {0, 9}) fluid_synth_noteon(synth_, channel, 60, 1);
  fluid_synth_write_float(synth_, kFrames, left.data(), 0, 1, right.data(), 0, 1);
  fluid_synth_all_sounds_off(synth_, -1);
  fluid_synth_write_float(synth_, kFrames, left.data(), 0, 1, right.data(), 0, 1);
}

void FluidSynthOutput::settle_gain() {
  settle_synth_gain(synth_);
}

// SoundFonts differ by several dB at the same gain, and FluidSynth's default
// (0.2) leaves a note near -30 dBFS: the gain is chosen so that one piano note at
// the default volume peaks near kNoteTarget. The limiter catches the chords.
void settle_synth_gain(_fluid_synth_t* synth) {
  constexpr float kNoteTarget = 0.126f;  // -18 dBFS
  constexpr float kMinGain = 0.2f;       // FluidSynth's default
  constexpr float kMaxGain = 2.0f;
  constexpr int kVelocity = 96;  // volume step 8
  constexpr int kFrames = 24000;
  std::vector<float> left(kFrames), right(kFrames);
  fluid_synth_set_gain(synth, 1.0f);
  fluid_synth_noteon(synth, 0, 60, kVelocity);
  fluid_synth_write_float(synth, kFrames, left.data(), 0, 1, right.data(), 0, 1);
  fluid_synth_all_sounds_off(synth, -1);
  float peak = 0;
  for (int i = 0; i < kFrames; ++i)
    peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
  // No sound (a SoundFont without a piano): keep FluidSynth's own level.
  const float gain = peak > 0 ? std::clamp(kNoteTarget / peak, kMinGain, kMaxGain) : kMinGain;
  fluid_synth_set_gain(synth, gain);
  // The reverb's tail of the reference note.
  for (int i = 0; i < 4; ++i) {
    fluid_synth_write_float(synth, kFrames, left.data(), 0, 1, right.data(), 0, 1);
  }
}

namespace {

void fill_from_synth(void* context, float* interleaved, int frames) {
  auto* output = static_cast<SynthOutput*>(context);
  fluid_synth_write_float(output->synth, frames, interleaved, 0, 2, interleaved, 1, 2);
  output->limiter.process(interleaved, interleaved + 1, frames, 2);
}

// For FluidSynth's own drivers, whose buffers come zeroed: the effects are mixed
// into the dry pair (only JACK's multi-port mode has buffers of their own).
int process_from_synth(void* context, int frames, int nfx, float* fx[], int nout, float* out[]) {
  auto* output = static_cast<SynthOutput*>(context);
  if (nout < 2) return fluid_synth_process(output->synth, frames, nfx, fx, nout, out);
  float* mixed[] = {out[0], out[1], out[0], out[1]};
  const int result = nfx == 0 ? fluid_synth_process(output->synth, frames, 4, mixed, nout, out)
                              : fluid_synth_process(output->synth, frames, nfx, fx, nout, out);
  output->limiter.process(out[0], out[1], frames, 1);
  return result;
}

}  // namespace

bool FluidSynthOutput::start_pipewire(std::string& why) {
  auto audio = std::make_unique<PipeWireAudio>();
  PipeWireAudio::Stream stream;
  stream.rate = kSampleRate;
  stream.latency_frames = kPipeWireLatencyFrames;
  stream.fill = fill_from_synth;
  stream.context = output_.get();
  // Notes held or released while the server was away must not hang on.
  stream.silence = [](void* context) {
    fluid_synth_all_sounds_off(static_cast<SynthOutput*>(context)->synth, -1);
  };
  if (!audio->start(stream, kPipeWireLimit, why)) return false;
  pipewire_ = std::move(audio);
  return true;
}

bool FluidSynthOutput::start_audio() {
  std::string tries;
  const bool pipewire_runs = PipeWireAudio::server_socket_present();
  DriverMessages messages;
  for (const char* name : {"pipewire", "jack", "pulseaudio", "alsa"}) {
    const std::string_view driver(name);
    tries += "\n  ";
    tries += name;
    if (driver == "alsa" && !alsa_worth_trying()) {
      tries += ": no sound card here.";
      continue;
    }
    if (trying_server_) trying_server_(name);
    std::string why;
    if (driver == "pipewire" ? start_pipewire(why) : start_fluid_driver(name, messages, why)) {
      driver_name_ = name;
      return true;
    }
    tries += ": " + why;
  }
  failure_ = std::string(kSynthDeviceName) + " found no sound output:";
  // PipeWire answering but taking neither kind of stream is a matter of its
  // set-up, not of starting a server.
  if (pipewire_runs) {
    failure_ +=
        " PipeWire runs here, but neither its own stream nor its PulseAudio layer "
        "(pipewire-pulse) took the sound.";
    remedy_ = std::string(
                  "Start PipeWire's PulseAudio layer (pipewire-pulse) or check "
                  "PipeWire's set-up") +
              kOtherDevice;
  } else if (jack_server_socket_present()) {
    remedy_ = std::string("Restart the JACK server, which runs but did not take the sound") +
              kOtherDevice;
  }
  failure_ += tries;
  return false;
}

bool FluidSynthOutput::start_fluid_driver(const char* name, DriverMessages& messages,
                                          std::string& why) {
  if (fluid_settings_setstr(settings_, "audio.driver", name) == FLUID_FAILED) {
    why = "not built into this FluidSynth.";
    return false;
  }
  {
    // A JACK client keeps the rules of jack_clients.h.
    std::unique_lock<std::mutex> lock;
    if (std::string_view(name) == "jack") lock = jack_clients_lock();
    jack_losses_at_open_ = jack_server_losses();
    driver_ = new_fluid_audio_driver2(settings_, process_from_synth, output_.get());
    jack_losses_at_open_ = jack_server_losses();
  }
  if (driver_ != nullptr) return true;
  pass_to_stderr(messages);
  const std::string_view driver(name);
  if (driver == "jack") {
    why = jack_server_socket_present() ? "the JACK server did not take the synthesizer."
                                       : "no JACK server runs.";
  } else if (driver == "pulseaudio") {
    why = "no PulseAudio server answered.";
  } else {
    why = "the sound card did not open.";
  }
  return false;
}

void FluidSynthOutput::take_from(FluidSynthOutput& other) {
  std::swap(settings_, other.settings_);
  std::swap(synth_, other.synth_);
  std::swap(driver_, other.driver_);
  std::swap(output_, other.output_);
  std::swap(pipewire_, other.pipewire_);
  std::swap(driver_name_, other.driver_name_);
  std::swap(jack_losses_at_open_, other.jack_losses_at_open_);
  std::swap(soundfont_, other.soundfont_);
  for (std::string& text : other.take_notices()) notice(std::move(text));
}

void FluidSynthOutput::notice(std::string text) {
  std::lock_guard lock(notices_mutex_);
  notices_.push_back(std::move(text));
}

std::vector<std::string> FluidSynthOutput::take_notices() {
  if (pipewire_ != nullptr && pipewire_->take_loss()) {
    notice(std::string(kSynthDeviceName) +
           ": the sound server (PipeWire) went away; it plays again once the server is back.");
  }
  std::lock_guard lock(notices_mutex_);
  return std::exchange(notices_, {});
}

void FluidSynthOutput::close() {
  // The outputs call into the synth from their own threads: they go first.
  pipewire_.reset();
  if (driver_ != nullptr && driver_name_ == "jack" &&
      jack_server_losses() != jack_losses_at_open_) {
    // Its JACK server was lost: libjack frees, or has freed, the client itself,
    // and a process thread may still be in the synth. All of it is left.
    driver_ = nullptr;
    synth_ = nullptr;
    settings_ = nullptr;
    (void)output_.release();
  }
  if (driver_ != nullptr) {
    std::unique_lock<std::mutex> lock;
    if (driver_name_ == "jack") lock = jack_clients_lock();
    delete_fluid_audio_driver(driver_);
  }
  if (synth_ != nullptr) delete_fluid_synth(synth_);
  if (settings_ != nullptr) delete_fluid_settings(settings_);
  output_.reset();
  driver_ = nullptr;
  synth_ = nullptr;
  settings_ = nullptr;
  driver_name_.clear();
  soundfont_.clear();
}

void FluidSynthOutput::send(ShortMessage message) noexcept {
  if (synth_ == nullptr) return;
  if (pipewire_ != nullptr) pipewire_->wake();
  if (message.kind() == ShortMessage::Kind::program_change) {
    change_program(message.channel(), message.program());
  } else {
    play_on_synth(synth_, message);
  }
}

void play_on_synth(_fluid_synth_t* synth, ShortMessage message) noexcept {
  const int channel = message.channel();
  switch (message.kind()) {
    case ShortMessage::Kind::note_on:
      if (message.starts_note()) {
        fluid_synth_noteon(synth, channel, message.note(), message.velocity());
        break;
      }
      [[fallthrough]];
    case ShortMessage::Kind::note_off:
      fluid_synth_noteoff(synth, channel, message.note());
      break;
    case ShortMessage::Kind::key_pressure:
      fluid_synth_key_pressure(synth, channel, message.note(), message.value());
      break;
    case ShortMessage::Kind::control_change:
      fluid_synth_cc(synth, channel, message.controller(), message.value());
      break;
    case ShortMessage::Kind::program_change:
      fluid_synth_program_change(synth, channel, message.program());
      break;
    case ShortMessage::Kind::channel_pressure:
      fluid_synth_channel_pressure(synth, channel, message.data1() & 0x7F);
      break;
    case ShortMessage::Kind::pitch_bend:
      fluid_synth_pitch_bend(synth, channel, message.bend());
      break;
    default:
      break;
  }
}

// Choosing an instrument reads its samples; a SoundFont damaged since it was
// loaded costs that instrument its sound, which the player is told of once.
void FluidSynthOutput::change_program(int channel, int program) noexcept {
  const uint64_t refused_before = refused_sample_reads();
  fluid_synth_program_change(synth_, channel, program);
  // The first channel to choose an instrument reads its samples; the others
  // share them.
  drop_prefetched_samples(program);
  if (refused_sample_reads() == refused_before) return;
  std::string name = "program " + std::to_string(program);
  for (int i = 0; i < static_cast<int>(instrument_names.size()); ++i) {
    if (program_number_of(i) == program) name = std::strchr(instrument_names[i], ' ') + 1;
  }
  try {
    notice(std::string(kSynthDeviceName) + ": the sound of " + name +
           " cannot be read, so it stays silent: " + last_refusal() + ".");
  } catch (...) {
    // Out of memory: the instrument is silent all the same.
  }
}

void FluidSynthOutput::prepare_program(int program) {
  if (synth_ != nullptr) prefetch_samples(program);
}

bool FluidSynthOutput::render(float* left, float* right, int frames) {
  if (synth_ == nullptr || driver_ != nullptr || pipewire_ != nullptr) return false;
  if (fluid_synth_write_float(synth_, frames, left, 0, 1, right, 0, 1) != FLUID_OK) return false;
  output_->limiter.process(left, right, frames, 1);
  return true;
}

double FluidSynthOutput::sample_rate() const {
  double rate = 0;
  if (settings_ != nullptr) fluid_settings_getnum(settings_, "synth.sample-rate", &rate);
  return rate;
}

}  // namespace tastarion
