#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tastarion {

// Trace lines to a file descriptor (standard output) that never hold up the
// caller: a thread of its own writes them. When the reader does not keep up and
// the buffer is full, lines are dropped until everything before them is out;
// then one line tells how many were lost, and taking lines resumes.
class TraceWriter {
 public:
  // `dropped` ends the notice of what was lost.
  explicit TraceWriter(int fd, size_t capacity = 64 * 1024,
                       std::string dropped = "trace lines dropped: standard output was full");
  // Waits a little for the lines to go out; a writer stuck on a reader that
  // never reads is left behind.
  ~TraceWriter();
  TraceWriter(const TraceWriter&) = delete;
  TraceWriter& operator=(const TraceWriter&) = delete;

  // Any thread; never waits for the descriptor.
  void write(std::string_view line);
  // Waits up to `limit` until every line taken is written. True when they are.
  bool drain(std::chrono::milliseconds limit);

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace tastarion
