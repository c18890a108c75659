#include "app/quit_on_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>

namespace tastarion {
namespace {

int signal_pipe[2] = {-1, -1};

void on_signal(int) {
  const char byte = 1;
  // Only async-signal-safe calls here; the event loop does the rest.
  [[maybe_unused]] auto written = write(signal_pipe[1], &byte, 1);
}

}  // namespace

void quit_on_signals() {
  if (pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
    char byte;
    while (read(signal_pipe[0], &byte, 1) > 0) {
    }
    QApplication::quit();
  });
  struct sigaction action = {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace tastarion
