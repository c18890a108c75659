#pragma once

#include <array>
#include <cstdint>

#include "engine/key_event.h"

namespace tastarion {

class Piano;

// A key that runs one of the piano's operations when it goes down, on every
// auto-repeat too unless it says otherwise, and possibly another when it comes up.
struct CommandKey {
  uint8_t scan_code;
  const char* key_name;
  void (*run)(Piano& piano);
  // The program ends: the press goes no further.
  bool ends_program = false;
  // False: the auto-repeats of a held key run nothing.
  bool repeats = true;
  // Run when the key comes up, if set.
  void (*release)(Piano& piano) = nullptr;
};

inline constexpr uint8_t kPauseScanCode = 0x45;

extern const std::array<CommandKey, 21> command_keys;

// The command a key press runs, or null. The extended flag counts only for
// 0x45: Num Lock shares Pause's scan code, and must not end the program (and
// lose a recording).
const CommandKey* command_key_of(const KeyEvent& key);

}  // namespace tastarion
