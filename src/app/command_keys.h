#pragma once

#include <array>
#include <cstdint>

namespace tastarion {

enum class Command : uint8_t {
  none,
  show_help,
  toggle_recording,
  toggle_replay,
  toggle_metronome,
  slower_metronome,
  faster_metronome,
  exit_program,
  previous_instrument,
  louder,
  previous_device,
  lower_pitch,
  higher_pitch,
  next_instrument,
  softer,
  next_device,
  transpose_up,
  transpose_down,
};

inline constexpr uint8_t kFirstCommandScanCode = 0x3B;
inline constexpr uint8_t kLastCommandScanCode = 0x53;
inline constexpr uint8_t kPauseScanCode = 0x45;

// The commands of the scan codes 0x3B..0x53, indexed by scan code - 0x3B.
extern const std::array<Command, kLastCommandScanCode - kFirstCommandScanCode + 1> command_keys;

// The command a key press runs. The extended flag counts only for 0x45: Num Lock
// shares Pause's scan code, and must not end the program (and lose a recording).
Command command_of(uint32_t key_param);

}  // namespace tastarion
