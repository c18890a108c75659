#include "platform/quiet_drivers.h"

#include <fluidsynth.h>
#include <jack/jack.h>

#include <cstdlib>
#include <mutex>

namespace tastarion {

namespace {

void drop_jack_text(const char*) {}
void drop_fluid_text(int, const char*, void*) {}

}  // namespace

void quiet_sound_drivers() {
  static std::once_flag once;
  std::call_once(once, [] {
    // libjack reads this at every client open; an absent server must stay absent.
    setenv("JACK_NO_START_SERVER", "1", 1);
    jack_set_error_function(drop_jack_text);
    jack_set_info_function(drop_jack_text);
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
      fluid_set_log_function(level, drop_fluid_text, nullptr);
    }
  });
}

}  // namespace tastarion
