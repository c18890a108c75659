#include "ports/port_watch.h"

#include <poll.h>

#include <atomic>
#include <mutex>

#include "platform/bounded_join.h"
#include "platform/wake_fd.h"
#include "ports/alsa_announce.h"
#include "ports/jack_client.h"

namespace tastarion {

namespace {
// How long the end waits for a watch thread busy with a server.
constexpr auto kStopLimit = std::chrono::seconds(1);
}  // namespace

// Shared with the thread, so that a thread left behind still has it. The wake
// is declared first, to outlive the JACK client's subscription.
struct PortWatch::State {
  explicit State(PortSources s) : sources(s) {
    if (jack) jack->subscribe(wake);
  }
  ~State() {
    if (jack) jack->unsubscribe(wake);
  }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  PortSnapshot read() {
    PortSnapshot snapshot;
    if (sources.alsa) {
      for (std::string& name : alsa_lister.list(PortApi::alsa)) {
        snapshot.ports.push_back({PortApi::alsa, std::move(name)});
      }
      snapshot.service_found = alsa_lister.found(PortApi::alsa);
    }
    if (sources.jack) {
      for (std::string& name : jack->midi_inputs()) {
        snapshot.ports.push_back({PortApi::jack, std::move(name)});
      }
      snapshot.service_found = snapshot.service_found || jack->server_found();
    }
    return snapshot;
  }

  // Sleeps until a notice comes or the stop: the JACK client tells of ports and
  // clients that come and go and of its server coming and going, the ALSA
  // sequencer's announce port of its own.
  void wait_for_change(AlsaAnnounce* announce) {
    std::vector<pollfd> fds{{wake.fd(), POLLIN, 0}};
    if (announce) fds.insert(fds.end(), announce->poll_fds().begin(), announce->poll_fds().end());
    poll(fds.data(), fds.size(), -1);
    wake.clear();
    if (announce) announce->take_changes();
  }

  void watch() {
    std::optional<AlsaAnnounce> announce;
    if (sources.alsa) announce.emplace();
    for (;;) {
      wait_for_change(announce ? &*announce : nullptr);
      if (stop) break;
      PortSnapshot snapshot = read();
      std::lock_guard lock(mutex);
      if (stop) break;
      newest = std::move(snapshot);
      published.wake();
    }
    done = true;
  }

  const PortSources sources;
  const WakeFd wake;
  const WakeFd published;
  const std::shared_ptr<JackClient> jack = sources.jack ? JackClient::shared() : nullptr;
  // The watch thread's alone once it runs.
  PortLister alsa_lister;
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

int PortWatch::published_fd() const {
  return state_->published.fd();
}

void PortWatch::take_published() {
  state_->published.clear();
}

std::optional<PortSnapshot> PortWatch::latest() {
  std::lock_guard lock(state_->mutex);
  return std::exchange(state_->newest, std::nullopt);
}

}  // namespace tastarion
