#include "app/startup_probe.h"

#include <QEvent>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace tastarion {
namespace {

long long now_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

long long launched_ns() {
  const char* launched = std::getenv("TASTARION_PROBE_STARTUP");
  return launched == nullptr || *launched == '\0' ? 0 : std::atoll(launched);
}

class FirstPaintProbe final : public QObject {
 public:
  FirstPaintProbe(QWidget& window, long long launched_ns)
      : QObject(&window), launched_ns_(launched_ns) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      std::fprintf(stderr, "startup_ms=%.1f\n", double(now_ns() - launched_ns_) / 1e6);
      std::fflush(stderr);
      watched->removeEventFilter(this);
      deleteLater();
    }
    return false;
  }

 private:
  long long launched_ns_;
};

}  // namespace

void install_startup_probe(QWidget& window) {
  const long long launched = launched_ns();
  if (launched == 0) return;
  window.installEventFilter(new FirstPaintProbe(window, launched));
}

void probe_device_started(bool opened) {
  const long long launched = launched_ns();
  if (launched == 0) return;
  std::fprintf(stderr, "%s=%.1f\n", opened ? "device_ms" : "device_failed_ms",
               double(now_ns() - launched) / 1e6);
  std::fflush(stderr);
}

}  // namespace tastarion
