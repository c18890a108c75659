#pragma once

#include <string_view>

namespace tastarion {

// The help box's text: plain ASCII, lines parted by a line feed, none after the last.
extern const std::string_view help_text;

// The window title and the caption of the program's message boxes.
extern const std::string_view version_line;

}  // namespace tastarion
