#include <unistd.h>

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/command_line.h"
#include "app/player_language.h"
#include "app/program.h"
#include "app/quit_on_signal.h"
#include "app/startup_probe.h"
#include "platform/left_behind.h"
#include "platform/stderr_guard.h"
#include "platform/steady_clock.h"
#include "platform/thread_timer_service.h"
#include "platform/trace_writer.h"
#include "ports/midi_input_ports.h"
#include "ports/system_midi_output.h"
#include "synth/fluidsynth_output.h"

namespace {

// When a thread still waits on a sound server that never answered, the
// libraries it is inside, and the program it reports to, must not be torn down
// under it: the process ends here, once the output is out.
void end_here_if_threads_left_behind(tastarion::TraceWriter& trace,
                                     tastarion::StandardErrorGuard& standard_error, int exit_code) {
  if (!tastarion::any_left_behind()) return;
  trace.drain(std::chrono::milliseconds(300));
  standard_error.drain(std::chrono::milliseconds(300));
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(exit_code);
}

// The window, the piano and the ports for one run; the exit code.
int run_program(tastarion::StandardErrorGuard& standard_error, const std::string& file) {
  tastarion::TraceWriter trace(STDOUT_FILENO);
  tastarion::SystemMidiOutput midi;
  tastarion::MidiInputPorts inputs;
  tastarion::ThreadTimerService timers;
  tastarion::SteadyClock clock;
  tastarion::Program program(midi, timers, clock,
                             [&trace](std::string_view line) { trace.write(line); });
  tastarion::install_startup_probe(program.window());

  const bool started = program.start();
  if (started) {
    program.listen_to(inputs);
    // A file that does not open says why in a box (and on standard error);
    // the program plays on.
    if (!file.empty()) program.piano().open_midi_file(file);
    QApplication::exec();
  }
  tastarion::stop_waiting_for_sound_servers();
  program.finish();
  midi.stop_watching();
  inputs.stop();
  const int exit_code = started ? 0 : 1;
  end_here_if_threads_left_behind(trace, standard_error, exit_code);
  return exit_code;
}

}  // namespace

int main(int argc, char** argv) {
  // --help, --version and a mistyped option answer before anything opens, in
  // the player's language.
  tastarion::PlayerLanguage language;
  const auto lookup = [&language](const char* context, const std::string& english) {
    return language.lookup(context, english);
  };
  const tastarion::CommandLine command_line = tastarion::read_command_line(argc, argv);
  if (const auto exit_code = tastarion::answer_command_line(command_line, stdout, stderr, lookup)) {
    return *exit_code;
  }
  tastarion::catch_end_signals();
  // A reader that goes away must not end the program; its trace lines are dropped.
  std::signal(SIGPIPE, SIG_IGN);

  // What is left on the command line are Qt's own options.
  tastarion::explain_missing_display(true);
  QApplication application(argc, argv);
  tastarion::explain_missing_display(false);
  // Before the window exists, which takes its texts as it is made.
  language.install();
  // From here on standard error never holds up the program; before, Qt's last
  // words about a missing display must get out whole.
  tastarion::StandardErrorGuard standard_error;
  // Wayland compositors match the window to the desktop entry, and so to its icon, by this.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Tastarion"));
  tastarion::quit_on_signals();

  return run_program(standard_error, command_line.file);
}
