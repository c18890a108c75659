#pragma once

namespace tastarion {

// Asks the X server to send a held key as repeated presses and one release at
// the end (XKB's detectable auto-repeat) instead of release-press pairs. True
// when the server granted it; false on any other platform or when refused.
bool ask_detectable_auto_repeat();

// How a held key arrives: as repeated presses and one release (Wayland, X11
// with detectable auto-repeat), or as release-press pairs of one time each.
enum class KeyRepeats { presses, release_press_pairs };
// Asks for presses where only X11 may refuse them, and says what comes.
KeyRepeats platform_key_repeats();

}  // namespace tastarion
