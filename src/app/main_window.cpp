#include "app/main_window.h"

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include "app/player_language.h"
#include "app/quit_on_signal.h"
#include "app/x11_key_repeat.h"
#include "instrument/help_text.h"
#include "instrument/piano.h"
#include "platform/key_translation.h"
#include "recorder/recording_file.h"
#include "ui/app_icon.h"
#include "ui/control_strip.h"
#include "ui/keyboard_widget.h"

namespace tastarion {

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      keyboard_(new ui::KeyboardWidget(this)),
      strip_(new ui::ControlStrip(this)) {
  setFixedSize(ui::picture_width, ui::picture_height);
  setWindowTitle(title_for(PianoStatus::none));
  setWindowIcon(ui::app_icon());
  setToolTip(tr(ui::keyboard_tooltip));
  setFocusPolicy(Qt::StrongFocus);
  // A click on the keyboard gives the keys to the window, which plays them.
  keyboard_->setFocusProxy(this);
  keyboard_->move(0, 0);
  strip_->setGeometry(0, 0, ui::strip_width, ui::strip_height);
  connect_strip();
  connect_keyboard();
  release_timer_.setSingleShot(true);
  release_timer_.setInterval(kReleaseGraceMs);
  connect(&release_timer_, &QTimer::timeout, this, [this] { send_pending_release(); });
  device_poll_.setInterval(kDevicePollMs);
  connect(&device_poll_, &QTimer::timeout, this, [this] {
    if (piano_ != nullptr) piano_->refresh_devices();
  });
  device_poll_.start();
  // Wayland marks its repeats itself; X11 does once the server grants the flag.
  release_grace_ =
      QGuiApplication::platformName() == QLatin1String("xcb") && !ask_detectable_auto_repeat();
  // Focus moving to another application shows up as an application state change.
  qApp->installEventFilter(this);
}

MainWindow::~MainWindow() = default;

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
  connect(keyboard_, &KeyboardWidget::notePressed, this, [this](uint8_t note) {
    if (piano_ != nullptr) piano_->mouse_down(note);
  });
  connect(keyboard_, &KeyboardWidget::noteMoved, this, [this](uint8_t note) {
    if (piano_ != nullptr) piano_->mouse_move(note);
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

// The timer thread must never wait for this one: the title goes through the
// queue, after the marks asked for before it.
void MainWindow::show_status(PianoStatus status) {
  QMetaObject::invokeMethod(
      this, [this, status] { setWindowTitle(title_for(status)); }, Qt::QueuedConnection);
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
