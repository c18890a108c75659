#include "instrument/command_keys.h"

#include "instrument/piano.h"

namespace tastarion {

const std::array<CommandKey, 21> command_keys = {{
    {0x01, "Escape", [](Piano& p) { p.panic(); }, false, false},
    {0x39, "Space", [](Piano& p) { p.sustain_down(); }, false, false,
     [](Piano& p) { p.sustain_up(); }},
    {0x3B, "F1", [](Piano& p) { p.show_help(); }},
    {0x3C, "F2", [](Piano& p) { p.toggle_recording(); }},
    {0x3D, "F3", [](Piano& p) { p.toggle_replay(); }},
    // Each opens a dialog: a held key must not open the next one behind it.
    {0x3E, "F4", [](Piano& p) { p.open_file(); }, false, false},
    {0x3F, "F5", [](Piano& p) { p.toggle_metronome(); }},
    {0x40, "F6", [](Piano& p) { p.step_mm_speed(-1); }},
    {0x41, "F7", [](Piano& p) { p.step_mm_speed(+1); }},
    {0x42, "F8", [](Piano& p) { p.save_as_audio(); }, false, false},
    {kPauseScanCode, "Pause", [](Piano& p) { p.exit_program(); }, true},
    {0x47, "Home", [](Piano& p) { p.step_instrument(-1); }},
    {0x48, "Up", [](Piano& p) { p.step_volume(+1); }},
    {0x49, "Page Up", [](Piano& p) { p.select_previous_device(); }},
    {0x4B, "Left", [](Piano& p) { p.step_fine_pitch(-1); }},
    {0x4D, "Right", [](Piano& p) { p.step_fine_pitch(+1); }},
    {0x4F, "End", [](Piano& p) { p.step_instrument(+1); }},
    {0x50, "Down", [](Piano& p) { p.step_volume(-1); }},
    {0x51, "Page Down", [](Piano& p) { p.select_next_device(); }},
    {0x52, "Insert", [](Piano& p) { p.step_transpose(+1); }},
    {0x53, "Delete", [](Piano& p) { p.step_transpose(-1); }},
}};

const CommandKey* command_key_of(const KeyEvent& key) {
  if (key.scan_code == kPauseScanCode && key.extended) return nullptr;
  // The keypad's keys share these codes without the extended flag and run the same.
  for (const CommandKey& command : command_keys) {
    if (command.scan_code == key.scan_code) return &command;
  }
  return nullptr;
}

}  // namespace tastarion
