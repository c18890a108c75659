#pragma once

#include <string>
#include <vector>

namespace tastarion {

// Keeps the sound libraries from talking on standard error and from starting a
// JACK server of their own: what they say is kept for the failure report instead.
// Safe to call many times; the first call does the work.
void quiet_sound_drivers();

// Collects what the sound libraries say on this thread while it lives, so that a
// failed open can tell why. One at a time per thread.
class DriverMessages {
 public:
  DriverMessages();
  ~DriverMessages();
  DriverMessages(const DriverMessages&) = delete;
  DriverMessages& operator=(const DriverMessages&) = delete;

  // The messages since the last take, each once, in order; clears them.
  std::vector<std::string> take();

 private:
  std::vector<std::string> lines_;
  std::vector<std::string>* outer_;
};

}  // namespace tastarion
