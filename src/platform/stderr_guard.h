#pragma once

#include <chrono>
#include <memory>

#include "platform/trace_writer.h"

namespace tastarion {

// Standard error that never holds up the program, whoever writes to it (the
// program's own sentences, Qt, the sound libraries): descriptor 2 becomes a pipe
// that a thread of its own empties into a TraceWriter on the real standard
// error. When the reader of standard error stalls, messages are dropped and
// counted, as trace lines are on standard output.
class StandardErrorGuard {
 public:
  // Installs it; without a pipe, standard error stays as it is.
  StandardErrorGuard();
  // Gives standard error its descriptor back, after a short wait for what is
  // still on its way.
  ~StandardErrorGuard();
  StandardErrorGuard(const StandardErrorGuard&) = delete;
  StandardErrorGuard& operator=(const StandardErrorGuard&) = delete;

  // Waits up to `limit` until everything written so far is out.
  bool drain(std::chrono::milliseconds limit);

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace tastarion
