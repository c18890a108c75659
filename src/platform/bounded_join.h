#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/left_behind.h"

namespace tastarion {

// Joins `thread` once it says it is `done`, waiting `limit` at most; after that
// it is detached, noted as left behind under `what`, and false returned: a
// thread stuck inside a sound server that never answers is left behind rather
// than holding up the end of the program.
inline bool join_within(std::thread& thread, const std::atomic<bool>& done,
                        std::chrono::milliseconds limit, const char* what) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (done) {
    thread.join();
    return true;
  }
  thread.detach();
  note_left_behind(what);
  return false;
}

}  // namespace tastarion
