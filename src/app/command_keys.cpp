#include "app/command_keys.h"

#include "engine/key_map.h"

namespace tastarion {

const std::array<Command, kLastCommandScanCode - kFirstCommandScanCode + 1> command_keys = {
    Command::show_help,            // 0x3B F1
    Command::toggle_recording,     // 0x3C F2
    Command::toggle_replay,        // 0x3D F3
    Command::none,                 // 0x3E F4
    Command::toggle_metronome,     // 0x3F F5
    Command::slower_metronome,     // 0x40 F6
    Command::faster_metronome,     // 0x41 F7
    Command::none,                 // 0x42 F8
    Command::none,                 // 0x43 F9
    Command::none,                 // 0x44 F10
    Command::exit_program,         // 0x45 Pause
    Command::none,                 // 0x46 Scroll Lock
    Command::previous_instrument,  // 0x47 Home, keypad 7
    Command::louder,               // 0x48 Up, keypad 8
    Command::previous_device,      // 0x49 Page Up, keypad 9
    Command::none,                 // 0x4A keypad minus
    Command::lower_pitch,          // 0x4B Left, keypad 4
    Command::none,                 // 0x4C keypad 5
    Command::higher_pitch,         // 0x4D Right, keypad 6
    Command::none,                 // 0x4E keypad plus
    Command::next_instrument,      // 0x4F End, keypad 1
    Command::softer,               // 0x50 Down, keypad 2
    Command::next_device,          // 0x51 Page Down, keypad 3
    Command::transpose_up,         // 0x52 Insert, keypad 0
    Command::transpose_down,       // 0x53 Delete, keypad decimal point
};

Command command_of(uint32_t key_param) {
  const uint8_t scan_code = scan_code_of(key_param);
  if (scan_code < kFirstCommandScanCode || scan_code > kLastCommandScanCode) return Command::none;
  if (scan_code == kPauseScanCode && is_extended_key(key_param)) return Command::none;
  return command_keys[scan_code - kFirstCommandScanCode];
}

}  // namespace tastarion
