#pragma once

#include "app/command_keys.h"
#include "app/window_message.h"
#include "app/window_port.h"
#include "engine/piano.h"

namespace tastarion {

// Menu command ids of the popup menu.
inline constexpr int kHelpCommand = 1;
inline constexpr int kExitCommand = 2;

// The one place where the window's messages are turned into operations.
void piano_window_proc(Piano& piano, WindowPort& window, const WindowMessage& message);

void run_command(Piano& piano, WindowPort& window, Command command);
// The help box: help_document under the version_line caption.
void show_help(Piano& piano);
// Closes the main window; nothing else runs for the message that asked.
void exit_program(WindowPort& window);

}  // namespace tastarion
