#include "platform/stderr_guard.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <thread>

namespace tastarion {

namespace {
constexpr auto kEndWait = std::chrono::milliseconds(300);
}  // namespace

// Shared with the pipe's reader, which may outlive the guard.
struct StandardErrorGuard::State {
  State(int real, int read_end)
      : real_fd(real),
        pipe_read(read_end),
        writer(real, 64 * 1024, "messages dropped: standard error was full") {}
  const int real_fd;
  const int pipe_read;
  TraceWriter writer;
  // False once every writer's end is gone.
  std::atomic<bool> reading{true};

  void run() {
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(pipe_read, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      writer.write(std::string_view(buffer, static_cast<size_t>(n)));
    }
    // The descriptor stays open: drain() may still look at it.
    reading = false;
  }
};

StandardErrorGuard::StandardErrorGuard() {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return;
  const int real = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  // The writers' end never blocks: a message that finds the pipe full is lost.
  fcntl(ends[1], F_SETFL, fcntl(ends[1], F_GETFL) | O_NONBLOCK);
  if (real < 0 || dup2(ends[1], STDERR_FILENO) < 0) {
    if (real >= 0) ::close(real);
    ::close(ends[0]);
    ::close(ends[1]);
    return;
  }
  ::close(ends[1]);
  state_ = std::make_shared<State>(real, ends[0]);
  std::thread([state = state_] { state->run(); }).detach();
}

bool StandardErrorGuard::drain(std::chrono::milliseconds limit) {
  if (!state_) return true;
  // What is still in the pipe reaches the writer first.
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    pollfd in{state_->pipe_read, POLLIN, 0};
    if (!state_->reading || poll(&in, 1, 0) <= 0 || !(in.revents & POLLIN)) break;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return state_->writer.drain(std::max(left, std::chrono::milliseconds(0)));
}

StandardErrorGuard::~StandardErrorGuard() {
  if (!state_) return;
  drain(kEndWait);
  // The pipe's last writer end goes, so the reader ends.
  dup2(state_->real_fd, STDERR_FILENO);
}

}  // namespace tastarion
