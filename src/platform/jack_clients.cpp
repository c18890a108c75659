#include "platform/jack_clients.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

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

void note_jack_message(const char* text) {
  // What libjack says when an open finds the server gone and clients of the
  // process still allocated, just before it frees them.
  if (text != nullptr && std::strstr(text, "clients are still allocated") != nullptr) ++losses;
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
