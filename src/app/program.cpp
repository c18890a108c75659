#include "app/program.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <chrono>
#include <functional>
#include <utility>

#include "app/midi_input_link.h"
#include "app/startup_probe.h"
#include "platform/bounded_join.h"
#include "ports/midi_input_ports.h"

namespace tastarion {

namespace {
// When device 0 starts opening if the window has not been painted by then.
constexpr int kOpeningLatestMs = 250;
// When the user hears of a device list that never came.
constexpr auto kListingLimit = std::chrono::seconds(8);
constexpr const char* kListingFailureText =
    "Listing the devices got no answer within 8 seconds: a JACK server may have stopped "
    "answering.";
// How long the end of the program waits for an opening that is still going on.
constexpr auto kOpeningEndLimit = std::chrono::seconds(2);

// Runs `then` once, when a widget of `window` receives its first paint event:
// the window itself paints nothing, its keyboard covers it.
class OnFirstPaint final : public QObject {
 public:
  OnFirstPaint(QWidget& window, std::function<void()> then)
      : QObject(&window), window_(window), then_(std::move(then)) {
    qApp->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && then_ && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == &window_) {
      qApp->removeEventFilter(this);
      std::exchange(then_, nullptr)();
    }
    return false;
  }

 private:
  QWidget& window_;
  std::function<void()> then_;
};

}  // namespace

Program::Program(MidiOutputService& midi, TimerService& timers, Clock& clock, TraceSink trace,
                 TraceSink errors)
    : window_(platform_key_repeats()),
      piano_(midi, timers, clock, window_, take_, std::move(trace), std::move(errors)) {
  window_.attach(piano_);
  window_.watch_device_changes(midi);
}

Program::~Program() {
  if (opening_.joinable()) opening_.join();
}

bool Program::start() {
  piano_.show_settings();
  window_.show();
  window_.activateWindow();
  window_.setFocus(Qt::OtherFocusReason);
  // Key messages arrive only once the event loop runs, after the buffer exists.
  if (!piano_.allocate_buffer()) {
    window_.show_message(PlayerText(kBufferFailure));
    return false;
  }
  // The SoundFont, the sound server and the JACK clients take their time; the
  // window does not wait for them. With a second processor the two go side by
  // side, so that the synthesizer is ready within a second; with one, the window
  // is not made to share it while it is built: the opening starts after the
  // first paint, or a little later at the latest. Until the device opens, notes
  // are dropped.
  if (std::thread::hardware_concurrency() > 1) {
    start_opening();
  }
  auto* first_paint = new OnFirstPaint(window_, [this] {
    // Once the paint has reached the screen.
    QTimer::singleShot(0, &window_, [this] { start_opening(); });
  });
  QTimer::singleShot(kOpeningLatestMs, first_paint, [this] { start_opening(); });
  // The synthesizer gives up on its own; listing the JACK ports does not. Its
  // result, if it ever comes, is still taken.
  QTimer::singleShot(kListingLimit, &window_, [this] {
    if (!piano_.devices_started()) piano_.report_open_failure(kListingFailureText);
  });
  return true;
}

void Program::listen_to(MidiInputPorts& inputs) {
  input_link_ = std::make_unique<MidiInputLink>(inputs, piano_);
  inputs.start();
}

void Program::start_opening() {
  if (opening_.joinable()) return;
  opening_ = std::thread([this] {
    FirstDevice first = piano_.open_first_device();
    QMetaObject::invokeMethod(
        &window_,
        [this, first = std::move(first)] {
          probe_device_started(static_cast<bool>(first.opened));
          piano_.device_started(first);
        },
        Qt::QueuedConnection);
    opening_done_ = true;
  });
}

void Program::finish() {
  // Nothing more comes in while the piano ends.
  input_link_.reset();
  // The synthesizer's own wait ends at once at the end of the program, but
  // listing the JACK ports asks a server that may hang as well.
  if (opening_.joinable()) {
    join_within(opening_, opening_done_, kOpeningEndLimit, "the opening of device 0");
  }
  piano_.finish();
}

}  // namespace tastarion
