#include "synth/pipewire_audio.h"

#include <fcntl.h>
#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace tastarion {

namespace {

constexpr uint32_t kChannels = 2;
constexpr uint32_t kFrameBytes = kChannels * sizeof(float);

void init_pipewire_once() {
  static std::once_flag once;
  std::call_once(once, [] {
    pw_init(nullptr, nullptr);
    // A failed connection is reported as a reason, not as lines on the
    // terminal; PIPEWIRE_DEBUG still turns the library's own log on.
    if (std::getenv("PIPEWIRE_DEBUG") == nullptr) pw_log_set_level(SPA_LOG_LEVEL_NONE);
  });
}

const char* state_name(pw_stream_state state) {
  return pw_stream_state_as_string(state);
}

int64_t now_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Below this a rendered cycle counts as silence (about -90 dBFS): the tails of
// reverb and release fade this low long before they end.
constexpr float kSilence = 3e-5f;
// How often the loop thread looks for a server that went away, and for a rest.
constexpr timespec kWatchInterval{1, 0};

}  // namespace

// What the loop thread and the graph's thread report back. Written with the
// thread loop's lock held, except what the real-time callback reads.
struct PipeWireAudio::Listener {
  PipeWireAudio* owner = nullptr;
  pw_thread_loop* loop = nullptr;
  pw_stream* stream = nullptr;
  Fill fill = nullptr;
  void* context = nullptr;
  spa_hook core_hook{};
  spa_hook stream_hook{};
  pw_stream_state state = PW_STREAM_STATE_UNCONNECTED;
  std::string error;
  spa_source* watch = nullptr;
  spa_source* wake_event = nullptr;
  // Set once the first stream played: from then on a lost server is retried.
  bool started = false;
  // The server went away; the watch makes the stream again once it is back.
  bool lost = false;
  // The player heard of this loss already (until the stream plays again).
  bool loss_said = false;
  std::atomic<bool> loss_untold{false};
  std::atomic<bool> resting{false};
  // When a cycle last had sound in it, and when a message last came.
  std::atomic<int64_t> last_sound{0};
  std::atomic<int64_t> last_message{0};

  void mark_lost() {
    if (!started) return;
    lost = true;
    if (!loss_said) loss_untold = loss_said = true;
  }

  static void on_core_error(void* data, uint32_t id, int, int res, const char* message) {
    auto* self = static_cast<Listener*>(data);
    if (id != PW_ID_CORE) return;
    self->error = message != nullptr && *message != '\0' ? message : std::strerror(-res);
    if (res == -EPIPE) self->mark_lost();
    pw_thread_loop_signal(self->loop, false);
  }

  static void on_state_changed(void* data, pw_stream_state, pw_stream_state state,
                               const char* error) {
    auto* self = static_cast<Listener*>(data);
    self->state = state;
    if (state == PW_STREAM_STATE_ERROR && error != nullptr) self->error = error;
    if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED) self->mark_lost();
    if (state == PW_STREAM_STATE_STREAMING) self->loss_said = false;
    pw_thread_loop_signal(self->loop, false);
  }

  // The loop thread, every second: brings the stream back after the server went
  // away (a connect to a missing socket fails at once), or lets the graph rest.
  static void on_watch(void* data, uint64_t) {
    auto* self = static_cast<Listener*>(data);
    if (self->lost) {
      self->owner->disconnect();
      if (!server_socket_present()) return;
      if (self->owner->stream_settings_.silence != nullptr) {
        self->owner->stream_settings_.silence(self->context);
      }
      std::string why;
      if (self->owner->connect(why)) {
        self->lost = false;
      } else {
        self->owner->disconnect();
      }
      return;
    }
    if (self->state != PW_STREAM_STATE_STREAMING || self->resting) return;
    const int64_t rest_after = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   self->owner->stream_settings_.rest_after)
                                   .count();
    const auto idle = [&] {
      return now_ns() - std::max(self->last_sound.load(), self->last_message.load()) >= rest_after;
    };
    if (!idle()) return;
    // Resting first, then a last look: a message sent meanwhile either sees the
    // rest and wakes the stream, or is seen here.
    self->resting = true;
    if (!idle()) {
      self->resting = false;
      return;
    }
    pw_stream_set_active(self->stream, false);
  }

  static void on_wake(void* data, uint64_t) {
    auto* self = static_cast<Listener*>(data);
    if (self->resting.exchange(false) && self->stream != nullptr) {
      pw_stream_set_active(self->stream, true);
    }
  }

  // The graph's real-time thread: renders straight into the buffer it hands out.
  static void on_process(void* data) {
    auto* self = static_cast<Listener*>(data);
    pw_buffer* buffer = pw_stream_dequeue_buffer(self->stream);
    if (buffer == nullptr) return;
    spa_data& out = buffer->buffer->datas[0];
    if (out.data != nullptr) {
      uint32_t frames = out.maxsize / kFrameBytes;
      if (buffer->requested != 0 && buffer->requested < frames) {
        frames = static_cast<uint32_t>(buffer->requested);
      }
      auto* samples = static_cast<float*>(out.data);
      self->fill(self->context, samples, static_cast<int>(frames));
      for (uint32_t i = 0; i < frames * kChannels; ++i) {
        if (std::fabs(samples[i]) > kSilence) {
          self->last_sound.store(now_ns(), std::memory_order_relaxed);
          break;
        }
      }
      out.chunk->offset = 0;
      out.chunk->stride = kFrameBytes;
      out.chunk->size = frames * kFrameBytes;
    }
    pw_stream_queue_buffer(self->stream, buffer);
  }
};

namespace {

const pw_core_events core_events = [] {
  pw_core_events events{};
  events.version = PW_VERSION_CORE_EVENTS;
  events.error = &PipeWireAudio::Listener::on_core_error;
  return events;
}();

const pw_stream_events stream_events = [] {
  pw_stream_events events{};
  events.version = PW_VERSION_STREAM_EVENTS;
  events.state_changed = &PipeWireAudio::Listener::on_state_changed;
  events.process = &PipeWireAudio::Listener::on_process;
  return events;
}();

// How mixers and patchbays name and sort the program: by its name and icon, as
// an instrument being played rather than media being watched.
void describe_program(pw_properties* props) {
  pw_properties_set(props, PW_KEY_APP_NAME, "Tastarion");
  pw_properties_set(props, PW_KEY_APP_ID, "org.example.Tastarion");
  pw_properties_set(props, PW_KEY_APP_ICON_NAME, "tastarion");
}

// A stream named and sorted as the program, asking for a cycle of
// `latency_frames` at the stream's rate.
pw_properties* stream_properties(const PipeWireAudio::Stream& stream) {
  const std::string rate = std::to_string(static_cast<int>(stream.rate));
  const std::string latency = std::to_string(stream.latency_frames) + "/" + rate;
  pw_properties* props = pw_properties_new(
      PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Playback", PW_KEY_MEDIA_ROLE,
      "Production", PW_KEY_NODE_NAME, PipeWireAudio::node_name().c_str(), PW_KEY_NODE_DESCRIPTION,
      PipeWireAudio::node_name().c_str(), PW_KEY_MEDIA_NAME, PipeWireAudio::node_name().c_str(),
      PW_KEY_MEDIA_ICON_NAME, "tastarion", PW_KEY_NODE_LATENCY, latency.c_str(), nullptr);
  describe_program(props);
  return props;
}

// Interleaved stereo 32-bit float, left then right, at `rate`.
const spa_pod* stereo_float_format(spa_pod_builder& builder, double rate) {
  spa_audio_info_raw format{};
  format.format = SPA_AUDIO_FORMAT_F32;
  format.rate = static_cast<uint32_t>(rate);
  format.channels = kChannels;
  format.position[0] = SPA_AUDIO_CHANNEL_FL;
  format.position[1] = SPA_AUDIO_CHANNEL_FR;
  return spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &format);
}

}  // namespace

bool PipeWireAudio::server_socket_present() {
  const char* remote = std::getenv("PIPEWIRE_REMOTE");
  std::string path = remote != nullptr && *remote != '\0' ? remote : "pipewire-0";
  if (path.front() != '/') {
    const char* dir = std::getenv("PIPEWIRE_RUNTIME_DIR");
    if (dir == nullptr || *dir == '\0') dir = std::getenv("XDG_RUNTIME_DIR");
    if (dir == nullptr || *dir == '\0') return false;
    path = std::string(dir) + "/" + path;
  }
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// A lock file per name in the user's runtime directory: the first program to
// hold one keeps its name until it ends, and no two programs race for one.
const std::string& PipeWireAudio::node_name() {
  static const std::string name = [] {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (dir == nullptr || *dir == '\0') return std::string("Tastarion");
    for (int i = 0; i < 100; ++i) {
      const std::string path = std::string(dir) + "/tastarion-" + std::to_string(i) + ".lock";
      const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
      if (fd < 0) break;
      if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        if (i == 0) return std::string("Tastarion");
        char suffix[8];
        std::snprintf(suffix, sizeof(suffix), "-%02d", i);
        return "Tastarion" + std::string(suffix);
      }
      ::close(fd);
    }
    return std::string("Tastarion");
  }();
  return name;
}

void PipeWireAudio::wake() noexcept {
  if (listener_ == nullptr) return;
  listener_->last_message = now_ns();
  if (listener_->resting)
    pw_loop_signal_event(pw_thread_loop_get_loop(loop_), listener_->wake_event);
}

bool PipeWireAudio::take_loss() noexcept {
  return listener_ != nullptr && listener_->loss_untold.exchange(false);
}

bool PipeWireAudio::start(const Stream& stream, std::chrono::milliseconds limit, std::string& why) {
  stop();
  init_pipewire_once();
  stream_settings_ = stream;
  loop_ = pw_thread_loop_new("tastarion-pw", nullptr);
  if (loop_ == nullptr) {
    why = "cannot start its thread.";
    return false;
  }
  listener_ = new Listener;
  listener_->owner = this;
  listener_->loop = loop_;
  listener_->fill = stream.fill;
  listener_->context = stream.context;
  listener_->last_message = now_ns();
  pw_thread_loop_lock(loop_);
  pw_properties* context_props = pw_properties_new(nullptr, nullptr);
  describe_program(context_props);
  context_ = pw_context_new(pw_thread_loop_get_loop(loop_), context_props, 0);
  bool playing = false;
  if (context_ == nullptr) {
    why = std::string("cannot start: ") + std::strerror(errno) + ".";
  } else if (pw_thread_loop_start(loop_) != 0) {
    why = "cannot start its thread.";
  } else {
    playing = connect(why) && wait_until_playing(limit, why);
  }
  if (playing) {
    pw_loop* loop = pw_thread_loop_get_loop(loop_);
    listener_->started = true;
    listener_->wake_event = pw_loop_add_event(loop, &Listener::on_wake, listener_);
    listener_->watch = pw_loop_add_timer(loop, &Listener::on_watch, listener_);
    timespec first = kWatchInterval;
    timespec every = kWatchInterval;
    if (listener_->wake_event == nullptr || listener_->watch == nullptr) {
      why = "cannot watch the stream.";
      playing = false;
    } else {
      pw_loop_update_timer(loop, listener_->watch, &first, &every, false);
    }
  }
  pw_thread_loop_unlock(loop_);
  if (!playing) stop();
  return playing;
}

// With the loop locked: a connection to the server and a stream on it.
bool PipeWireAudio::connect(std::string& why) {
  listener_->state = PW_STREAM_STATE_UNCONNECTED;
  listener_->error.clear();
  listener_->resting = false;
  core_ = pw_context_connect(context_, nullptr, 0);
  if (core_ == nullptr) {
    why = std::string("no PipeWire server here (") + std::strerror(errno) + ").";
    return false;
  }
  pw_core_add_listener(core_, &listener_->core_hook, &core_events, listener_);

  stream_ = pw_stream_new(core_, "Tastarion", stream_properties(stream_settings_));
  if (stream_ == nullptr) {
    why = std::string("cannot make a stream: ") + std::strerror(errno) + ".";
    return false;
  }
  listener_->stream = stream_;
  pw_stream_add_listener(stream_, &listener_->stream_hook, &stream_events, listener_);

  uint8_t pod_space[1024];
  spa_pod_builder builder = SPA_POD_BUILDER_INIT(pod_space, sizeof(pod_space));
  const spa_pod* params[] = {stereo_float_format(builder, stream_settings_.rate)};
  const auto flags = static_cast<pw_stream_flags>(
      PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS);
  const int connected =
      pw_stream_connect(stream_, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 1);
  if (connected < 0) {
    why = std::string("cannot connect the stream: ") + std::strerror(-connected) + ".";
    return false;
  }
  return true;
}

// Called with the loop locked; the loop thread signals each change of state.
bool PipeWireAudio::wait_until_playing(std::chrono::milliseconds limit, std::string& why) {
  timespec deadline{};
  pw_thread_loop_get_time(loop_, &deadline,
                          std::chrono::duration_cast<std::chrono::nanoseconds>(limit).count());
  while (listener_->state != PW_STREAM_STATE_STREAMING && listener_->error.empty()) {
    if (pw_thread_loop_timed_wait_full(loop_, &deadline) == -ETIMEDOUT) break;
  }
  if (listener_->state == PW_STREAM_STATE_STREAMING) return true;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limit).count();
  if (!listener_->error.empty()) {
    why = "PipeWire refused the stream: " + listener_->error + ".";
  } else if (listener_->state == PW_STREAM_STATE_PAUSED) {
    // Taken, but nothing links it to an output: no session manager, or no sink.
    why = "PipeWire took the stream but did not play it within " + std::to_string(seconds) +
          " s (is WirePlumber running, and is there an output?).";
  } else {
    why = "PipeWire did not answer within " + std::to_string(seconds) + " s (the stream stayed " +
          state_name(listener_->state) + ").";
  }
  return false;
}

// With the loop locked. Nothing here waits for the server: destroying the
// stream takes it off the graph's thread on this side, and disconnecting closes
// the socket.
void PipeWireAudio::disconnect() {
  if (stream_ != nullptr) {
    spa_hook_remove(&listener_->stream_hook);
    pw_stream_destroy(stream_);
  }
  if (core_ != nullptr) {
    spa_hook_remove(&listener_->core_hook);
    pw_core_disconnect(core_);
  }
  stream_ = nullptr;
  core_ = nullptr;
  listener_->stream = nullptr;
  listener_->state = PW_STREAM_STATE_UNCONNECTED;
}

void PipeWireAudio::stop() {
  if (loop_ == nullptr) return;
  pw_thread_loop_lock(loop_);
  pw_loop* loop = pw_thread_loop_get_loop(loop_);
  if (listener_->watch != nullptr) pw_loop_destroy_source(loop, listener_->watch);
  if (listener_->wake_event != nullptr) pw_loop_destroy_source(loop, listener_->wake_event);
  listener_->watch = listener_->wake_event = nullptr;
  disconnect();
  pw_thread_loop_unlock(loop_);
  pw_thread_loop_stop(loop_);
  if (context_ != nullptr) pw_context_destroy(context_);
  pw_thread_loop_destroy(loop_);
  delete listener_;
  stream_ = nullptr;
  core_ = nullptr;
  context_ = nullptr;
  loop_ = nullptr;
  listener_ = nullptr;
}

}  // namespace tastarion
