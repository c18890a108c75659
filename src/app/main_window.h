#pragma once

#include <QSet>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>

#include "app/window_message.h"
#include "app/window_port.h"
#include "engine/piano_view.h"
#include "ui/keyboard_picture.h"

namespace tastarion {

namespace ui {
class ControlStrip;
}

// Where the X server refuses detectable auto-repeat, it sends a held key as
// release-press pairs with one time: a release then waits this long for the
// press that would make it half of such a pair.
inline constexpr int kReleaseGraceMs = 15;

// The main window: the keyboard picture under the control strip. It turns Qt's
// events into WindowMessages for its sink and carries out what the core and the
// dispatcher ask of it; it decides nothing itself.
class MainWindow final : public QWidget, public PianoView, public WindowPort {
  Q_OBJECT

 public:
  using MessageSink = std::function<void(const WindowMessage&)>;

  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  void set_message_sink(MessageSink sink) { sink_ = std::move(sink); }
  ui::ControlStrip& control_strip() { return *strip_; }
  const ui::KeyboardPicture& picture() const { return picture_; }
  // True when releases wait for a possible auto-repeat press (see kReleaseGraceMs).
  bool releases_wait() const { return release_grace_; }
  void set_releases_wait(bool wait) { release_grace_ = wait; }

  // PianoView. draw_mark and set_title may come from any thread.
  void draw_mark(bool on, uint8_t note) override;
  void set_title(const std::string& title) override;
  void set_volume_slider(int value) override;
  void set_pitch_slider(int value) override;
  void set_mm_slider(int value) override;
  void select_transpose_row(int row) override;
  void select_instrument_row(int row) override;
  void add_device_name(const std::string& name) override;
  void select_device_row(int row) override;
  void show_message(const std::string& caption, const std::string& text) override;
  std::optional<std::string> ask_save_file_name() override;
  bool ask_save_elsewhere(const std::string& caption, const std::string& text) override;
  bool closing() const override;

  // WindowPort.
  void close_window() override;
  int run_popup_menu(int x, int y) override;
  void take_focus() override;
  void paint_keyboard() override;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void send(const WindowMessage& message);
  void connect_strip();
  void send_pending_release();
  void send_release(quint32 native_scan_code);
  void keyboard_lost();

  struct PendingRelease {
    quint32 native_scan_code;
    quint64 timestamp;
  };

  ui::KeyboardPicture picture_;
  ui::ControlStrip* strip_;
  MessageSink sink_;
  // The keys down now, by native scan code: a press of one of them is a repeat.
  QSet<quint32> held_keys_;
  bool release_grace_ = false;
  std::optional<PendingRelease> pending_release_;
  QTimer release_timer_;
  // The region being painted while a paint event is dispatched, else null.
  const QRect* paint_rect_ = nullptr;
};

}  // namespace tastarion
