#pragma once

class QWidget;

namespace tastarion {

// With TASTARION_PROBE_STARTUP set to the launch time (nanoseconds of the
// realtime clock, as `date +%s%N` prints), prints "startup_ms=<elapsed>" to
// standard error once the window has been painted the first time. Without it,
// does nothing.
void install_startup_probe(QWidget& window);

// With the same variable set, prints "device_ms=<elapsed>" (or
// "device_failed_ms=<elapsed>") once device 0 has opened (or failed to).
void probe_device_started(bool opened);

}  // namespace tastarion
