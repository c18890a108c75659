#pragma once

#include <string_view>

namespace tastarion {

// The help box's text: plain ASCII, lines parted by a line feed, none after the last.
extern const std::string_view help_text;
// The help box's section after that text: the keys and the mouse added since.
extern const std::string_view help_more_keys;

// The window title and the caption of the program's message boxes.
extern const std::string_view version_line;

}  // namespace tastarion
