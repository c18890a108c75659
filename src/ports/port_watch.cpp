#include "ports/port_watch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "platform/bounded_join.h"
#include "platform/jack_clients.h"
#include "ports/alsa_announce.h"
#include "ports/jack_midi_output.h"

namespace tastarion {

namespace {
// How long the end waits for a watch thread busy with a server.
constexpr auto kStopLimit = std::chrono::seconds(1);
constexpr auto kLossCheck = std::chrono::seconds(1);

// An eventfd, closed with its owner.
struct WakeFd {
  WakeFd() : fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
  ~WakeFd() {
    if (fd >= 0) close(fd);
  }
  WakeFd(const WakeFd&) = delete;
  WakeFd& operator=(const WakeFd&) = delete;

  void wake() const {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(fd, &one, sizeof one);
  }
  void clear() const {
    uint64_t count;
    [[maybe_unused]] const ssize_t got = read(fd, &count, sizeof count);
  }
  const int fd;
};
}  // namespace

// Shared with the thread, so that a thread left behind still has it. The wake
// fd is declared first, to outlive the JACK client that writes to it.
struct PortWatch::State {
  explicit State(PortSources s) : sources(s) {}

  PortSnapshot read() {
    losses_seen = jack_server_losses();
    PortSnapshot snapshot;
    if (sources.alsa) {
      for (std::string& name : alsa_lister.list(PortApi::alsa)) {
        snapshot.ports.push_back({PortApi::alsa, std::move(name)});
      }
      snapshot.service_found = alsa_lister.found(PortApi::alsa);
    }
    if (sources.jack) {
      for (std::string& name : jack.midi_inputs()) {
        snapshot.ports.push_back({PortApi::jack, std::move(name)});
      }
      snapshot.service_found = snapshot.service_found || jack.server_found();
    }
    return snapshot;
  }

  // Sleeps until a notice comes or the stop; true when the ports are to be
  // read. A JACK server that is not there yet is looked for every
  // JackPortWatch::kServerRetry. A server loss noted by another client of the
  // program may come without a notice to ours (libjack then frees our client
  // itself): each kLossCheck the count of losses is looked at, and nothing is
  // read unless it moved.
  bool wait_for_change(AlsaAnnounce* announce) {
    std::vector<pollfd> fds{{wake.fd, POLLIN, 0}};
    if (announce) fds.insert(fds.end(), announce->poll_fds().begin(), announce->poll_fds().end());
    const bool looking_for_jack = sources.jack && !jack.server_found();
    const auto timeout = looking_for_jack ? std::chrono::milliseconds(JackPortWatch::kServerRetry)
                                          : std::chrono::milliseconds(kLossCheck);
    const int ready = poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
    wake.clear();
    if (announce) announce->take_changes();
    if (ready != 0 || looking_for_jack) return true;
    return sources.jack && jack_server_losses() != losses_seen;
  }

  void watch() {
    std::optional<AlsaAnnounce> announce;
    if (sources.alsa) announce.emplace();
    for (;;) {
      const bool changed = wait_for_change(announce ? &*announce : nullptr);
      if (stop) break;
      if (!changed) continue;
      PortSnapshot snapshot = read();
      std::lock_guard lock(mutex);
      if (stop) break;
      newest = std::move(snapshot);
    }
    done = true;
  }

  const PortSources sources;
  const WakeFd wake;
  // The watch thread's alone once it runs.
  PortLister alsa_lister;
  JackPortWatch jack{wake.fd};
  uint64_t losses_seen = 0;
  std::mutex mutex;
  std::atomic<bool> stop{false};
  std::optional<PortSnapshot> newest;
  std::atomic<bool> done{false};
};

PortWatch::PortWatch(PortSources sources) : state_(std::make_shared<State>(sources)) {}

void PortWatch::stop() {
  if (!thread_.joinable()) return;
  state_->stop = true;
  state_->wake.wake();
  join_within(thread_, state_->done, kStopLimit, "the port watch");
}

PortSnapshot PortWatch::first() {
  PortSnapshot snapshot = state_->read();
  if (!thread_.joinable()) {
    thread_ = std::thread([state = state_] { state->watch(); });
  }
  return snapshot;
}

std::optional<PortSnapshot> PortWatch::latest() {
  std::lock_guard lock(state_->mutex);
  return std::exchange(state_->newest, std::nullopt);
}

}  // namespace tastarion
