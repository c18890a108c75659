#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "engine/player_text.h"

namespace tastarion {

// What the command line asks for. It is read before Qt starts, so that --help
// and --version answer without a display and without opening any device.
struct CommandLine {
  enum class Action { start, help, version, render, usage_error };
  Action action = Action::start;
  PlayerText error;  // for usage_error: a sentence naming the argument
  // start: the MIDI file to open, if any; render: the MIDI file and the audio file.
  std::string file;
  std::string audio_file;
};

// Reads the arguments after the program name, left to right; the first one that
// decides (help, version or an error) ends the reading. Qt's own options, with
// their values, are let through for QApplication.
CommandLine read_command_line(int argc, const char* const* argv);

PlayerText usage_text();
std::string version_text();

// Does what the command line asks for short of starting: help and version on
// `out`, an error with the usage on `err`, a rendering with its errors on
// `err`, the words looked up by `lookup` (English without). Returns the exit
// code (0; 1 for a failed rendering or output; 2 for a usage error), or nothing
// when the program is to start.
std::optional<int> answer_command_line(const CommandLine& command_line, std::FILE* out,
                                       std::FILE* err, const TextLookup& lookup = nullptr);

}  // namespace tastarion
