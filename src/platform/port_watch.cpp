#include "platform/port_watch.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/bounded_join.h"

namespace tastarion {

namespace {
// How long the end waits for a watch thread busy with a server.
constexpr auto kStopLimit = std::chrono::seconds(1);
}  // namespace

// Shared with the thread, so that a thread left behind still has it.
struct PortWatch::State {
  explicit State(PortSources s) : sources(s) {}

  PortSnapshot read() {
    PortSnapshot snapshot;
    for (PortApi api : {PortApi::alsa, PortApi::jack}) {
      if (!(api == PortApi::alsa ? sources.alsa : sources.jack)) continue;
      for (std::string& name : lister.list(api)) snapshot.ports.push_back({api, std::move(name)});
      snapshot.service_found = snapshot.service_found || lister.found(api);
    }
    return snapshot;
  }

  void watch() {
    for (;;) {
      {
        std::unique_lock lock(mutex);
        if (changed.wait_for(lock, kPortWatchPeriod, [this] { return stop; })) break;
      }
      PortSnapshot snapshot = read();
      std::lock_guard lock(mutex);
      if (stop) break;
      newest = std::move(snapshot);
    }
    done = true;
  }

  const PortSources sources;
  // The watch thread's alone once it runs.
  PortLister lister;
  std::mutex mutex;
  std::condition_variable changed;
  bool stop = false;
  std::optional<PortSnapshot> newest;
  std::atomic<bool> done{false};
};

PortWatch::PortWatch(PortSources sources) : state_(std::make_shared<State>(sources)) {}

void PortWatch::stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(state_->mutex);
    state_->stop = true;
  }
  state_->changed.notify_all();
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
