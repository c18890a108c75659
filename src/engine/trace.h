#pragma once

#include <functional>
#include <string_view>

namespace tastarion {

// Where trace lines go; by default standard output.
using TraceSink = std::function<void(std::string_view line)>;
void print_to_stdout(std::string_view line);
// What went wrong, for whoever started the program from a terminal.
void print_to_stderr(std::string_view line);

}  // namespace tastarion
