#pragma once

#include <string>

namespace tastarion {

// Threads given up on while stuck inside a sound server that never answered.
// They still run inside the libraries and may call back into the program, so
// once one is left behind the process must end without destroying anything.

// Notes one such thread; `what` says which, for a debugger or a core file.
void note_left_behind(std::string what);
// Whether any thread was left behind since the start.
bool any_left_behind();

}  // namespace tastarion
