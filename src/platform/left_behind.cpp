#include "platform/left_behind.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace tastarion {

namespace {
std::atomic<bool> any{false};
std::mutex names_lock;
std::vector<std::string> names;
}  // namespace

void note_left_behind(std::string what) {
  {
    std::lock_guard lock(names_lock);
    names.push_back(std::move(what));
  }
  any = true;
}

bool any_left_behind() {
  return any.load();
}

}  // namespace tastarion
