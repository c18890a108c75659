#include "platform/stderr_guard.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace tastarion {
namespace {

// A child whose standard error is a pipe that nobody reads writes a megabyte
// of messages through stdio, as Qt and the sound libraries do. Under the guard
// it finishes at once, and its first messages reach the pipe unharmed.
TEST(StandardErrorGuard, AStalledReaderNeverHoldsUpTheWriters) {
  int err[2];
  ASSERT_EQ(pipe2(err, O_CLOEXEC), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(err[1], STDERR_FILENO);
    StandardErrorGuard guard;
    for (int i = 0; i < 20000; ++i) std::fprintf(stderr, "message %05d from a library\n", i);
    std::_Exit(0);
  }
  close(err[1]);
  int status = -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      close(err[0]);
      FAIL() << "the writer was held up by standard error";
    }
    usleep(10'000);
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::string seen;
  char buffer[4096];
  for (ssize_t n; (n = read(err[0], buffer, sizeof buffer)) > 0;) seen.append(buffer, n);
  close(err[0]);
  EXPECT_EQ(seen.rfind("message 00000 from a library\nmessage 00001 from a library\n", 0), 0u);
  EXPECT_LT(seen.size(), 20000u * 29);
}

}  // namespace
}  // namespace tastarion
