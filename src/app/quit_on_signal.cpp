#include "app/quit_on_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace tastarion {
namespace {

int signal_pipe[2] = {-1, -1};
std::atomic<bool> signal_received{false};

void on_signal(int) {
  signal_received = true;
  const char byte = 1;
  // Only async-signal-safe calls here; the event loop does the rest.
  [[maybe_unused]] auto written = write(signal_pipe[1], &byte, 1);
}

void fail_without_display(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type != QtFatalMsg) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
    return;
  }
  // Qt's own last words advise reinstalling, which never helps here.
  std::fputs(
      "Tastarion cannot show its window: no display could be opened.\n"
      "Start it inside a desktop session, or set DISPLAY or WAYLAND_DISPLAY.\n",
      stderr);
  std::fflush(stderr);
  std::_Exit(1);
}

}  // namespace

void catch_end_signals() {
  if (pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction action = {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

void quit_on_signals() {
  if (signal_pipe[0] < 0) return;
  auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
    char byte;
    while (read(signal_pipe[0], &byte, 1) > 0) {
    }
    // exit() ends the nested loops of open boxes and dialogs too, where quit()
    // would first ask the windows to close.
    QCoreApplication::exit(0);
  });
}

bool end_signal_received() {
  return signal_received.load();
}

void explain_missing_display(bool on) {
  qInstallMessageHandler(on ? fail_without_display : nullptr);
}

}  // namespace tastarion
