#include "app/startup_probe.h"

#include <QEvent>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace tastarion {
namespace {

class FirstPaintProbe final : public QObject {
 public:
  FirstPaintProbe(QWidget& window, long long launched_ns)
      : QObject(&window), launched_ns_(launched_ns) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      const long long now_ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   std::chrono::system_clock::now().time_since_epoch())
                                   .count();
      std::fprintf(stderr, "startup_ms=%.1f\n", double(now_ns - launched_ns_) / 1e6);
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
  const char* launched = std::getenv("TASTARION_PROBE_STARTUP");
  if (launched == nullptr || *launched == '\0') return;
  window.installEventFilter(new FirstPaintProbe(window, std::atoll(launched)));
}

}  // namespace tastarion
