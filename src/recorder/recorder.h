#pragma once

#include <cstdint>

#include "engine/piano.h"

namespace tastarion {

inline constexpr uint8_t kRecordKeyScanCode = 0x3C;  // F2

// Appends one record at event_cursor and prints its trace line.
void put_event(Piano& piano, uint32_t delta, uint8_t status, uint8_t data1, uint8_t data2);
// The F2 command: starts a recording, or stops and saves it.
void toggle_recording(Piano& piano);
void start_recording(Piano& piano);
// The note path's hook, once per note message sent: `sent_note` is the note
// number the message carried, `velocity` its second data byte.
void record_note_event(Piano& piano, bool press, int slot, uint8_t sent_note, uint8_t velocity,
                       uint8_t scan_code);

}  // namespace tastarion
