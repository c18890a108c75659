#include "platform/trace_writer.h"

#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace tastarion {

struct TraceWriter::State {
  int fd;
  size_t capacity;
  std::string dropped_notice;
  std::mutex mutex;
  std::condition_variable changed;
  std::string pending;
  bool writing = false;
  bool dropping = false;
  uint64_t dropped = 0;
  bool stopping = false;
  bool broken = false;  // the reader is gone

  bool write_all(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }

  void run() {
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return !pending.empty() || dropping || stopping; });
      if (pending.empty() && !dropping) return;
      std::string batch = std::move(pending);
      pending.clear();
      writing = true;
      lock.unlock();
      const bool ok = write_all(batch);
      lock.lock();
      if (!ok) {
        broken = true;
        dropping = false;
      } else if (pending.empty() && dropping) {
        // Caught up: say what was lost, where it was lost.
        // Appended, not "(" + ...: GCC 12 at -O3 takes that for an overlapping copy
        // (-Wrestrict).
        std::string notice = "(";
        notice.append(std::to_string(dropped)).append(" ").append(dropped_notice).append(")\n");
        dropped = 0;
        lock.unlock();
        const bool told = write_all(notice);
        lock.lock();
        if (!told) broken = true;
        dropping = false;
      }
      writing = false;
      changed.notify_all();
    }
  }
};

TraceWriter::TraceWriter(int fd, size_t capacity, std::string dropped)
    : state_(std::make_shared<State>()) {
  state_->fd = fd;
  state_->capacity = capacity;
  state_->dropped_notice = std::move(dropped);
  std::thread([state = state_] { state->run(); }).detach();
}

TraceWriter::~TraceWriter() {
  drain(std::chrono::milliseconds(300));
  std::lock_guard lock(state_->mutex);
  state_->stopping = true;
  state_->changed.notify_all();
}

void TraceWriter::write(std::string_view line) {
  std::lock_guard lock(state_->mutex);
  if (state_->broken) return;
  if (state_->dropping || state_->pending.size() + line.size() > state_->capacity) {
    state_->dropping = true;
    ++state_->dropped;
  } else {
    state_->pending.append(line);
  }
  state_->changed.notify_all();
}

bool TraceWriter::drain(std::chrono::milliseconds limit) {
  std::unique_lock lock(state_->mutex);
  return state_->changed.wait_for(lock, limit, [&] {
    return state_->broken || (state_->pending.empty() && !state_->writing && !state_->dropping);
  });
}

}  // namespace tastarion
