#include "platform/jack_clients.h"

#include <atomic>
#include <thread>
#include <vector>

#include "platform/bounded_join.h"

namespace tastarion {

namespace {
std::mutex clients_mutex;
std::atomic<uint64_t> losses{0};
}  // namespace

std::unique_lock<std::mutex> jack_clients_lock() {
  return std::unique_lock(clients_mutex);
}

uint64_t jack_server_losses() {
  return losses.load();
}

void note_jack_server_lost() {
  ++losses;
}

void keep_for_lost_server(std::shared_ptr<const void> what) {
  static std::mutex mutex;
  // Never destroyed: a process thread may still run while the program ends.
  static auto* kept = new std::vector<std::shared_ptr<const void>>;
  std::lock_guard lock(mutex);
  kept->push_back(std::move(what));
}

bool run_within_jack_limit(std::function<void()> work) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([done, work = std::move(work)] {
    work();
    *done = true;
  });
  return join_within(thread, *done, kJackAnswerLimit, "a JACK call");
}

}  // namespace tastarion
