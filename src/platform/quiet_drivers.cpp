#include "platform/quiet_drivers.h"

#include <fluidsynth.h>
#include <jack/jack.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace tastarion {

namespace {

// The libraries call back on the thread that called them.
thread_local std::vector<std::string>* collecting = nullptr;

void keep(const char* text) {
  if (collecting == nullptr || text == nullptr) return;
  std::string line(text);
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
  // Some drivers repeat themselves on every retry.
  if (line.empty() ||
      std::find(collecting->begin(), collecting->end(), line) != collecting->end()) {
    return;
  }
  collecting->push_back(std::move(line));
}

void keep_jack_text(const char* text) {
  keep(text);
}
void drop_jack_text(const char*) {}
void keep_fluid_text(int, const char* text, void*) {
  keep(text);
}
void drop_fluid_text(int, const char*, void*) {}

}  // namespace

void quiet_sound_drivers() {
  static std::once_flag once;
  std::call_once(once, [] {
    // libjack reads this at every client open; an absent server must stay absent.
    setenv("JACK_NO_START_SERVER", "1", 1);
    jack_set_error_function(keep_jack_text);
    jack_set_info_function(drop_jack_text);
    for (int level : {FLUID_PANIC, FLUID_ERR})
      fluid_set_log_function(level, keep_fluid_text, nullptr);
    for (int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
      fluid_set_log_function(level, drop_fluid_text, nullptr);
    }
  });
}

DriverMessages::DriverMessages() : outer_(collecting) {
  quiet_sound_drivers();
  collecting = &lines_;
}

DriverMessages::~DriverMessages() {
  collecting = outer_;
}

std::vector<std::string> DriverMessages::take() {
  return std::exchange(lines_, {});
}

}  // namespace tastarion
