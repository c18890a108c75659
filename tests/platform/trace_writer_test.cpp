#include "platform/trace_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace tastarion {
namespace {

using namespace std::chrono_literals;

// A pipe nobody reads fills up; the writer must neither block its caller nor
// lose count, and once the pipe is read again it says how many lines it dropped.
TEST(TraceWriter, AStalledReaderCostsLinesNotTimeAndTheLossIsTold) {
  int fds[2];
  ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
  // The reader has stalled: the pipe is full before the first line.
  fcntl(fds[1], F_SETFL, O_NONBLOCK);
  size_t filler = 0;
  while (write(fds[1], "x", 1) == 1) ++filler;
  fcntl(fds[1], F_SETFL, 0);
  {
    TraceWriter writer(fds[1], 1024);
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < 20000; ++i) writer.write("delta=3E8, stat=90, pitch=3C, vol=60\n");
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    EXPECT_FALSE(writer.drain(50ms));

    std::string seen;
    char buffer[4096];
    while (seen.size() < filler || seen.find("dropped") == std::string::npos) {
      const ssize_t n = read(fds[0], buffer, sizeof buffer);
      ASSERT_GT(n, 0);
      seen.append(buffer, static_cast<size_t>(n));
    }
    EXPECT_TRUE(writer.drain(2s));
    writer.write("on ch=0 time=FA\n");
    EXPECT_TRUE(writer.drain(2s));
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    ASSERT_GT(n, 0);
    seen.append(buffer, static_cast<size_t>(n));

    ASSERT_EQ(seen.substr(0, filler), std::string(filler, 'x'));
    seen.erase(0, filler);
    const std::string line = "delta=3E8, stat=90, pitch=3C, vol=60\n";
    const size_t notice = seen.find('(');
    ASSERT_NE(notice, std::string::npos);
    const size_t written = notice / line.size();
    EXPECT_EQ(seen.substr(0, notice), [&] {
      std::string lines;
      for (size_t i = 0; i < written; ++i) lines += line;
      return lines;
    }());
    // Appended piece by piece: GCC 12 warns (-Wrestrict) about "(" + std::string
    // when optimising.
    std::string expected = "(";
    expected.append(std::to_string(20000 - written))
        .append(" trace lines dropped: standard output was full)\n")
        .append("on ch=0 time=FA\n");
    EXPECT_EQ(seen.substr(notice), expected);
  }
  close(fds[0]);
  close(fds[1]);
}

}  // namespace
}  // namespace tastarion
