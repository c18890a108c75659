#pragma once

#include <cstdint>

#include "engine/piano.h"

namespace tastarion {

// The note path of a key press: a free slot, the note-on, the record, the mark.
// Auto-repeats, keys that are not piano keys and presses finding no free slot
// do nothing.
void note_key_down(Piano& piano, uint32_t key_param);
// The note path of a key release: the note-off on the slot's channel with the
// note its note-on carried, the slot freed, the mark erased, the record.
void note_key_up(Piano& piano, uint32_t key_param);
// Releases every held key as if it had come up (the window lost the keyboard).
void release_all_keys(Piano& piano);

}  // namespace tastarion
