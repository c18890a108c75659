#pragma once

namespace tastarion {

// Asks the X server to send a held key as repeated presses and one release at
// the end (XKB's detectable auto-repeat) instead of release-press pairs. True
// when the server granted it; false on any other platform or when refused.
bool ask_detectable_auto_repeat();

}  // namespace tastarion
