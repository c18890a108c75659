#pragma once

#include <string_view>

#include "engine/player_text.h"

namespace tastarion {

// The help box's text: plain ASCII, lines parted by a line feed, none after the last.
extern const std::string_view help_text;
// The help box's section after that text: the keys and the mouse added since.
extern const std::string_view help_more_keys;
// The same two, marked for translation.
extern const MarkedText help_outline;
extern const MarkedText help_more_keys_outline;

// The window title and the caption of the program's message boxes.
extern const std::string_view version_line;

}  // namespace tastarion
