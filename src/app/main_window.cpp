#include "app/main_window.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <atomic>
#include <thread>

#include "app/player_language.h"
#include "app/quit_on_signal.h"
#include "app/x11_key_repeat.h"
#include "instrument/help_text.h"
#include "instrument/piano.h"
#include "platform/key_translation.h"
#include "recorder/recording_file.h"
#include "synth/audio_file_render.h"
#include "synth/fluidsynth_output.h"
#include "ui/app_icon.h"
#include "ui/control_strip.h"
#include "ui/keyboard_widget.h"

namespace tastarion {

MainWindow::MainWindow(KeyRepeats repeats, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      keyboard_(new ui::KeyboardWidget(this)),
      strip_(new ui::ControlStrip(this)),
      release_grace_(repeats == KeyRepeats::release_press_pairs) {
  setFixedSize(ui::picture_width, ui::picture_height);
  setWindowTitle(title_for(PianoStatus::none));
  setWindowIcon(ui::app_icon());
  setToolTip(tr(ui::keyboard_tooltip));
  setFocusPolicy(Qt::StrongFocus);
  setAcceptDrops(true);
  // A click on the keyboard gives the keys to the window, which plays them.
  keyboard_->setFocusProxy(this);
  keyboard_->move(0, 0);
  strip_->setGeometry(0, 0, ui::strip_width, ui::strip_height);
  connect_strip();
  connect_keyboard();
  release_timer_.setSingleShot(true);
  release_timer_.setInterval(kReleaseGraceMs);
  connect(&release_timer_, &QTimer::timeout, this, [this] { send_pending_release(); });
  device_notices_.setInterval(kDeviceNoticesMs);
  connect(&device_notices_, &QTimer::timeout, this, [this] {
    if (piano_ != nullptr) piano_->refresh_devices();
  });
  device_notices_.start();
  // Focus moving to another application shows up as an application state change.
  qApp->installEventFilter(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::watch_device_changes(MidiOutputService& devices) {
  if (devices.change_fd() < 0) return;
  device_changes_ = std::make_unique<QSocketNotifier>(devices.change_fd(), QSocketNotifier::Read);
  connect(device_changes_.get(), &QSocketNotifier::activated, this, [this, &devices] {
    // Cleared first: a piano busy with a box now finds the change at the next notices.
    devices.take_change();
    if (piano_ != nullptr) piano_->refresh_devices();
  });
}

void MainWindow::connect_strip() {
  using ui::ControlStrip;
  connect(strip_, &ControlStrip::volumeMoved, this,
          [this](int v) { control_moved(&Piano::change_volume, v); });
  connect(strip_, &ControlStrip::pitchMoved, this,
          [this](int v) { control_moved(&Piano::change_fine_pitch, v); });
  connect(strip_, &ControlStrip::mmMoved, this,
          [this](int v) { control_moved(&Piano::change_mm_speed, v); });
  connect(strip_, &ControlStrip::transposeChosen, this,
          [this](int v) { control_moved(&Piano::change_transpose, v); });
  connect(strip_, &ControlStrip::instrumentChosen, this,
          [this](int v) { control_moved(&Piano::change_instrument, v); });
  connect(strip_, &ControlStrip::deviceChosen, this,
          [this](int v) { control_moved(&Piano::change_device, v); });
  connect(strip_, &ControlStrip::focusReturn, this, [this] { take_focus(); });
}

void MainWindow::connect_keyboard() {
  using ui::KeyboardWidget;
  // The picture's depth and the piano's run alike, from the back to the front edge.
  static_assert(ui::kFullDepth == Piano::kFrontEdge);
  connect(keyboard_, &KeyboardWidget::notePressed, this, [this](uint8_t note, int depth) {
    if (piano_ != nullptr) piano_->mouse_down(note, depth);
  });
  connect(keyboard_, &KeyboardWidget::noteMoved, this, [this](uint8_t note, int depth) {
    if (piano_ != nullptr) piano_->mouse_move(note, depth);
  });
  connect(keyboard_, &KeyboardWidget::noteReleased, this, [this] {
    if (piano_ != nullptr) piano_->mouse_up();
  });
  connect(keyboard_, &KeyboardWidget::helpAsked, this, [this] {
    if (piano_ != nullptr) piano_->show_help();
  });
  connect(keyboard_, &KeyboardWidget::exitAsked, this, [this] {
    if (piano_ != nullptr) piano_->exit_program();
  });
}

void MainWindow::control_moved(void (Piano::*change)(int), int value) {
  if (piano_ != nullptr) (piano_->*change)(value);
  take_focus();
}

void MainWindow::draw_mark(bool on, uint8_t note) {
  keyboard_->draw_mark(on, note);
}

void MainWindow::erase_marks() {
  keyboard_->erase_marks();
}

namespace {
QString version_text() {
  return QString::fromUtf8(version_line.data(), qsizetype(version_line.size()));
}
}  // namespace

QString MainWindow::title_for(PianoStatus status) {
  QString title = version_text();
  QString text;
  switch (status) {
    case PianoStatus::none:
      return title;
    case PianoStatus::idle:
      break;
    case PianoStatus::recording:
      text = tr("[Recording...]");
      break;
    case PianoStatus::recording_full:
      text = tr("[Recording full]");
      break;
    case PianoStatus::replaying:
      text = tr("[Replaying...]");
      break;
  }
  return title + QStringLiteral("        ") + text;
}

QString MainWindow::title_for(PianoStatus status, const QString& file_name) {
  if (file_name.isEmpty()) return title_for(status);
  const QString title = title_for(status);
  return title + (status == PianoStatus::none ? QStringLiteral("        ") : QStringLiteral("  ")) +
         file_name;
}

// The timer thread must never wait for this one: the title goes through the
// queue, after the marks asked for before it.
void MainWindow::show_status(PianoStatus status) {
  QMetaObject::invokeMethod(
      this,
      [this, status] {
        status_ = status;
        setWindowTitle(title_for(status, file_name_));
      },
      Qt::QueuedConnection);
}

// In order with the statuses asked for before it.
void MainWindow::show_file_name(const std::string& name) {
  QMetaObject::invokeMethod(
      this,
      [this, name = QString::fromStdString(name)] {
        file_name_ = name;
        setWindowTitle(title_for(status_, file_name_));
      },
      Qt::QueuedConnection);
}

void MainWindow::show_volume(int volume) {
  strip_->setVolume(volume);
}
void MainWindow::show_fine_pitch(int cents) {
  strip_->setPitch(cents);
}
void MainWindow::show_mm_speed(int bpm) {
  strip_->setMmSpeed(bpm);
}
void MainWindow::show_transpose(int semitones) {
  strip_->setTranspose(semitones);
}
void MainWindow::show_instrument(int index) {
  strip_->selectInstrument(index);
}
void MainWindow::show_device_names(const std::vector<std::string>& names) {
  strip_->setDeviceNames(names);
}
void MainWindow::show_device(int index) {
  strip_->selectDevice(index);
}

void MainWindow::show_message(const PlayerText& text) {
  QMessageBox box(QMessageBox::NoIcon, version_text(), in_player_language(text), QMessageBox::Ok,
                  this);
  box.exec();
}

std::optional<std::string> MainWindow::ask_save_file_name() {
  QFileDialog dialog(this, tr("mid記録ファイル"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QStringLiteral("MID(*.mid)"));
  dialog.setDefaultSuffix(QStringLiteral("mid"));
  dialog.selectFile(QString::fromUtf8(kDefaultFileName));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first().toStdString();
}

std::optional<std::string> MainWindow::ask_open_file_name() {
  QFileDialog dialog(this, tr("Open a MIDI file"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({tr("MIDI files (*.mid *.midi *.smf *.kar)"), tr("All files (*)")});
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first().toStdString();
}

namespace {
// `beside` with its extension replaced by .wav.
QString audio_name_beside(const std::string& beside) {
  QString name = QString::fromStdString(beside);
  const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot > slash + 1) name.truncate(dot);
  return name + QStringLiteral(".wav");
}
}  // namespace

void MainWindow::save_as_audio(const MidiSong& song, const std::string& beside) {
  QFileDialog dialog(this, tr("Save as audio"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({QStringLiteral("WAV (*.wav)"), QStringLiteral("FLAC (*.flac)"),
                         QStringLiteral("Ogg Vorbis (*.ogg)")});
  dialog.setDefaultSuffix(QStringLiteral("wav"));
  dialog.selectFile(audio_name_beside(beside));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const std::string path = dialog.selectedFiles().first().toStdString();
  if (!audio_file_type_of(path)) {
    show_message(
        PlayerText(PLAYER_TEXT("MainWindow",
                               "The audio type of %1 is not known: name it .wav, .flac or .ogg."),
                   {path}));
    return;
  }

  // The rendering runs beside the window, which shows how far it is and can stop it.
  QProgressDialog progress(tr("Saving %1 ...").arg(QString::fromStdString(path)), tr("Cancel"), 0,
                           1000, this);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(500);
  std::atomic<int> done{0};
  std::atomic<bool> cancel{false};
  QEventLoop loop;
  QTimer poll;
  connect(&poll, &QTimer::timeout, &progress, [&] {
    progress.setValue(done.load());
    if (progress.wasCanceled() || closing()) cancel = true;
  });
  poll.start(50);
  AudioRendering rendering;
  std::thread worker([&] {
    rendering = render_song_to_file(song, path, soundfont_candidates(), [&](double part) {
      done = static_cast<int>(part * 999);
      return !cancel.load();
    });
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  poll.stop();
  progress.reset();
  if (!rendering.result && !rendering.cancelled) {
    std::fprintf(stderr, "%s\n", rendering.result.reason().c_str());
    show_message(PlayerText().add_as_is(rendering.result.reason()));
  }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() == 1 && urls.first().isLocalFile()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() != 1 || !urls.first().isLocalFile() || piano_ == nullptr) return;
  event->acceptProposedAction();
  // The box a bad file brings must not hold up the dragging program.
  const std::string path = urls.first().toLocalFile().toStdString();
  QTimer::singleShot(0, this, [this, path] { piano_->open_midi_file(path); });
  take_focus();
}

bool MainWindow::ask_save_elsewhere(const PlayerText& text) {
  QMessageBox box(QMessageBox::NoIcon, version_text(), in_player_language(text),
                  QMessageBox::NoButton, this);
  QPushButton* elsewhere = box.addButton(tr("Save elsewhere..."), QMessageBox::AcceptRole);
  box.addButton(tr("Keep it unsaved"), QMessageBox::RejectRole);
  box.setDefaultButton(elsewhere);
  box.exec();
  return box.clickedButton() == elsewhere && !closing();
}

bool MainWindow::closing() const {
  return end_signal_received();
}

void MainWindow::close_program() {
  close();
}

void MainWindow::take_focus() {
  setFocus(Qt::OtherFocusReason);
}

bool MainWindow::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      // Every key is the piano's: none may become a shortcut.
      event->accept();
      return true;
    case QEvent::KeyPress:
      // Straight to the piano, before QWidget can use Tab for focus moves.
      keyPressEvent(static_cast<QKeyEvent*>(event));
      return true;
    case QEvent::FocusOut:
    case QEvent::WindowDeactivate:
    case QEvent::WindowBlocked:
      // A control, a menu, a box or a dialog of our own, or another application,
      // gets the keys now: the releases of the keys held will not come here.
      keyboard_lost();
      return QWidget::event(event);
    default:
      return QWidget::event(event);
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == qApp && event->type() == QEvent::ApplicationStateChange &&
      static_cast<QApplicationStateChangeEvent*>(event)->applicationState() !=
          Qt::ApplicationActive) {
    keyboard_lost();
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::keyboard_lost() {
  send_pending_release();
  // A key released elsewhere sends nothing; one still down when the keys come
  // back counts as a new press.
  held_keys_.clear();
  if (piano_ != nullptr) piano_->release_all_keys();
}

bool MainWindow::focusNextPrevChild(bool) {
  return false;
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  const quint32 native = event->nativeScanCode();
  bool repeat = event->isAutoRepeat() || held_keys_.contains(native);
  if (pending_release_) {
    // Qt marks a repeat pair only when it has read both halves at once; under load
    // it may see the release alone. The press with the release's time ends the doubt.
    if (pending_release_->native_scan_code == native &&
        pending_release_->timestamp == event->timestamp()) {
      pending_release_.reset();
      release_timer_.stop();
      repeat = true;
    } else {
      send_pending_release();
    }
  }
  held_keys_.insert(native);
  const bool alt = event->modifiers().testFlag(Qt::AltModifier);
  if (piano_ != nullptr) piano_->key_down(key_event_from_native(native, false, repeat, alt));
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
  // Halves of repeat pairs that Qt recognised, and Wayland's own repeats.
  if (event->isAutoRepeat()) return;
  if (!release_grace_) {
    send_release(event->nativeScanCode());
    return;
  }
  send_pending_release();
  pending_release_ = PendingRelease{event->nativeScanCode(), event->timestamp()};
  release_timer_.start();
}

void MainWindow::send_pending_release() {
  if (!pending_release_) return;
  const quint32 native = pending_release_->native_scan_code;
  pending_release_.reset();
  release_timer_.stop();
  send_release(native);
}

void MainWindow::send_release(quint32 native_scan_code) {
  // A key that went down before the window last lost the keys has nothing to end.
  if (!held_keys_.remove(native_scan_code)) return;
  if (piano_ != nullptr) piano_->key_up(key_event_from_native(native_scan_code, true, false));
}

// The strip lies over the top of the keyboard: a click its controls leave to
// the window, on the header or in a gap, belongs to the keyboard under it, and
// so do the moves and the release that follow it.
void MainWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
    pass_to_keyboard(event);
    return;
  }
  QWidget::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  pass_to_keyboard(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
  pass_to_keyboard(event);
}

void MainWindow::pass_to_keyboard(QMouseEvent* event) {
  QMouseEvent passed(event->type(), keyboard_->mapFrom(this, event->position()),
                     event->scenePosition(), event->globalPosition(), event->button(),
                     event->buttons(), event->modifiers(), event->pointingDevice());
  QApplication::sendEvent(keyboard_, &passed);
}

}  // namespace tastarion
