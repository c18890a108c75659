#include <QApplication>

#include "app/program.h"
#include "app/quit_on_signal.h"
#include "app/startup_probe.h"
#include "platform/steady_clock.h"
#include "platform/system_midi_output.h"
#include "timing/thread_timer_service.h"

int main(int, char** argv) {
  // The command line is ignored, Qt's own options included.
  int qt_argc = 1;
  QApplication application(qt_argc, argv);
  // Wayland compositors match the window to the desktop entry, and so to its icon, by this.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Tastarion"));
  tastarion::quit_on_signals();

  tastarion::SystemMidiOutput midi;
  tastarion::ThreadTimerService timers;
  tastarion::SteadyClock clock;
  tastarion::Program program(midi, timers, clock);
  tastarion::install_startup_probe(program.window());

  const bool started = program.start();
  if (started) QApplication::exec();
  program.finish();
  return started ? 0 : 1;
}
