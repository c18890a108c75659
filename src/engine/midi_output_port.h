#pragma once

#include "engine/piano.h"

namespace tastarion {

inline constexpr const char* kOpenFailureText = "Fail to open Midi out driver.";

// Lists the devices into the device list, selects row 0 and opens device 0; on
// failure shows the message box and goes on.
void start_midi_out(Piano& piano);
void send_program_change_all(Piano& piano);
void send_pitch_bend_all(Piano& piano);
void change_device(Piano& piano, int index);
void select_previous_device(Piano& piano);
void select_next_device(Piano& piano);

}  // namespace tastarion
