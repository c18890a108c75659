#include "app/command_line.h"

#include <algorithm>
#include <span>
#include <string_view>

#include "synth/audio_file_render.h"

#ifndef TASTARION_VERSION
#error "TASTARION_VERSION is set by the build from the project version"
#endif

namespace tastarion {
namespace {

// Qt's options (QGuiApplication, QApplication and the xcb plugin), without their
// leading dash; Qt takes them with one dash or two.
constexpr std::string_view qt_options_with_value[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
    "style",       "stylesheet",         "name",          "title",   "visual"};
// Taken only as -option=value.
constexpr std::string_view qt_options_with_joined_value[] = {"style", "stylesheet", "qmljsdebugger",
                                                             "dialogs", "fontengine"};
constexpr std::string_view qt_flags[] = {"reverse", "widgetcount", "nograb",
                                         "dograb",  "sync",        "testability"};

bool contains(std::span<const std::string_view> names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

CommandLine usage_error(MarkedText form, std::string_view argument = {}) {
  return {CommandLine::Action::usage_error, PlayerText(form, {std::string(argument)}), {}, {}};
}

}  // namespace

CommandLine read_command_line(int argc, const char* const* argv) {
  CommandLine start;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "-h" || argument == "--help") return {CommandLine::Action::help, {}, {}, {}};
    if (argument == "-v" || argument == "--version")
      return {CommandLine::Action::version, {}, {}, {}};
    if (argument == "--render") {
      if (argc - i < 3) {
        return usage_error(
            PLAYER_TEXT("CommandLine", "option '--render' needs a MIDI file and an audio file"));
      }
      return {CommandLine::Action::render, {}, argv[i + 1], argv[i + 2]};
    }
    // A file manager passes the file alone; "-" is no option either.
    if (argument.size() < 2 || argument[0] != '-') {
      if (start.file.empty() && !argument.empty()) {
        start.file = argument;
        continue;
      }
      return usage_error(PLAYER_TEXT("CommandLine", "unexpected argument '%1'"), argument);
    }
    std::string_view name = argument.substr(argument.starts_with("--") ? 2 : 1);
    if (const auto equals = name.find('='); equals != std::string_view::npos) {
      if (contains(qt_options_with_joined_value, name.substr(0, equals))) continue;
    } else if (contains(qt_flags, name)) {
      continue;
    } else if (contains(qt_options_with_value, name)) {
      if (i + 1 == argc) {
        return usage_error(PLAYER_TEXT("CommandLine", "option '%1' needs a value"), argument);
      }
      ++i;  // the value, whatever it looks like, is Qt's
      continue;
    }
    return usage_error(PLAYER_TEXT("CommandLine", "unknown option '%1'"), argument);
  }
  return start;
}

PlayerText usage_text() {
  return PlayerText(PLAYER_TEXT(
      "CommandLine",
      "Usage: tastarion [QT-OPTION...] [FILE.mid]\n"
      "       tastarion --render FILE.mid OUT.wav|OUT.flac|OUT.ogg\n"
      "       tastarion --help | --version\n"
      "Play a 43-key MIDI piano on the PC keyboard.\n"
      "\n"
      "  FILE.mid       open a MIDI file: F3 replays it\n"
      "  --render FILE.mid OUT\n"
      "                 render the MIDI file as audio through the built-in\n"
      "                 synthesizer, with no window and no sound server; the\n"
      "                 type follows OUT's extension (.wav, .flac or .ogg)\n"
      "  -h, --help     print this help and exit\n"
      "  -v, --version  print the name and version and exit\n"
      "\n"
      "Qt's own options, such as -platform NAME, -style NAME or -display DISPLAY,\n"
      "are passed on to Qt. Without options the window opens; F1 in it lists the keys.\n"));
}

std::string version_text() {
  return "Tastarion " TASTARION_VERSION "\n";
}

std::optional<int> answer_command_line(const CommandLine& command_line, std::FILE* out,
                                       std::FILE* err, const TextLookup& lookup) {
  switch (command_line.action) {
    case CommandLine::Action::start:
      return std::nullopt;
    case CommandLine::Action::render:
      return render_command(command_line.file, command_line.audio_file, err);
    case CommandLine::Action::help:
      std::fputs(usage_text().in(lookup).c_str(), out);
      break;
    case CommandLine::Action::version:
      std::fputs(version_text().c_str(), out);
      break;
    case CommandLine::Action::usage_error:
      std::fprintf(err, "tastarion: %s\n%s", command_line.error.in(lookup).c_str(),
                   usage_text().in(lookup).c_str());
      return 2;
  }
  // A closed or full standard output is a failure, not a silent success.
  return std::fflush(out) == 0 && !std::ferror(out) ? 0 : 1;
}

}  // namespace tastarion
