#pragma once

#include "engine/piano.h"

namespace tastarion {

inline constexpr const char* kOpenFailureText = "Fail to open Midi out driver.";
inline constexpr const char* kOpenFailureHelp =
    "Start PipeWire, PulseAudio or JACK, or choose another device with Page Up / Page Down.";

// Lists the devices into the device list, selects row 0 and opens device 0; on
// failure shows the message box and goes on.
void start_midi_out(Piano& piano);
// The window thread's half of the start when device 0 was opened elsewhere
// (MidiPort::open_first): fills the list and reports a failure.
void finish_midi_out(Piano& piano, const FirstDevice& first);
// The failure box and the same lines on standard error: the failure text, the
// reasons and what helps.
void report_open_failure(Piano& piano, const std::string& reasons);
void send_program_change_all(Piano& piano);
void send_pitch_bend_all(Piano& piano);
void change_device(Piano& piano, int index);
void select_previous_device(Piano& piano);
void select_next_device(Piano& piano);

}  // namespace tastarion
