#pragma once

#include <cstdint>

#include "engine/key_event.h"

namespace tastarion {

// The key event for a key as X11 and Wayland report it: their native scan code
// is the XKB keycode, the Linux evdev code plus 8. Keys with no PC scan code give
// scan code 0. An auto-repeated release is no release at all; the caller drops
// it before coming here. `alt` tells that Alt was held.
KeyEvent key_event_from_native(uint32_t native_scan_code, bool release, bool auto_repeat,
                               bool alt = false);

}  // namespace tastarion
