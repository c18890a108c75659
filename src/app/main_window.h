#pragma once

#include <QSet>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

#include "app/x11_key_repeat.h"
#include "engine/midi_output_service.h"
#include "instrument/piano_view.h"

namespace tastarion {

class Piano;

namespace ui {
class ControlStrip;
class KeyboardWidget;
}  // namespace ui

// Where the X server refuses detectable auto-repeat, it sends a held key as
// release-press pairs with one time: a release then waits this long for the
// press that would make it half of such a pair.
inline constexpr int kReleaseGraceMs = 15;
// How often the piano is asked for what comes without an event of its own: the
// device's notices and a sound server's socket appearing. Ports that come and
// go are told at once (MidiOutputService::change_fd).
inline constexpr int kDeviceNoticesMs = 1000;

// The main window: the keyboard widget under the control strip. Its keys,
// controls and the keyboard's mouse and menu call the piano's operations; it
// shows what the piano reports in the title, the strip, the keyboard and its
// boxes, and keeps the keyboard focus.
class MainWindow final : public QWidget, public PianoView {
  Q_OBJECT

 public:
  // `repeats` says how the platform sends a held key (platform_key_repeats).
  explicit MainWindow(KeyRepeats repeats, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The piano the window plays; until then input goes nowhere.
  void attach(Piano& piano) { piano_ = &piano; }
  // Asks the piano to refresh its devices whenever `devices` tells of a change.
  void watch_device_changes(MidiOutputService& devices);

  // PianoView. draw_mark and show_status may come from any thread.
  void draw_mark(bool on, uint8_t note) override;
  void erase_marks() override;
  void show_status(PianoStatus status) override;
  void show_volume(int volume) override;
  void show_fine_pitch(int cents) override;
  void show_mm_speed(int bpm) override;
  void show_transpose(int semitones) override;
  void show_instrument(int index) override;
  void show_device_names(const std::vector<std::string>& names) override;
  void show_device(int index) override;
  void show_message(const PlayerText& text) override;
  std::optional<std::string> ask_save_file_name() override;
  std::optional<std::string> ask_open_file_name() override;
  void show_file_name(const std::string& name) override;
  void save_as_audio(const MidiSong& song, const std::string& beside) override;
  bool ask_save_elsewhere(const PlayerText& text) override;
  bool closing() const override;
  void close_program() override;

  // The title for a status: the version line, and for any status but none
  // eight blanks and the status text, in the player's language.
  static QString title_for(PianoStatus status);
  // The same with an opened file's name after it.
  static QString title_for(PianoStatus status, const QString& file_name);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // A MIDI file dropped on the window opens as F4 would open it.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void connect_strip();
  void connect_keyboard();
  void pass_to_keyboard(QMouseEvent* event);
  // A control's change operation with its value; then the keyboard comes back.
  void control_moved(void (Piano::*change)(int), int value);
  void send_pending_release();
  void send_release(quint32 native_scan_code);
  // The window stopped getting the keys: every held key is released.
  void keyboard_lost();
  // A control never keeps the keyboard: the arrow keys belong to the commands.
  void take_focus();

  struct PendingRelease {
    quint32 native_scan_code;
    quint64 timestamp;
  };

  Piano* piano_ = nullptr;
  // Covers the whole client area; the strip lies over its top.
  ui::KeyboardWidget* keyboard_;
  ui::ControlStrip* strip_;
  // The keys down now, by native scan code: a press of one of them is a repeat.
  QSet<quint32> held_keys_;
  // Releases wait kReleaseGraceMs for a press that would make them a repeat.
  const bool release_grace_;
  std::optional<PendingRelease> pending_release_;
  QTimer release_timer_;
  // Asks the piano now and then for the device's notices.
  QTimer device_notices_;
  std::unique_ptr<QSocketNotifier> device_changes_;
  // What the title shows: the last status, and the opened file's name.
  PianoStatus status_ = PianoStatus::none;
  QString file_name_;
};

}  // namespace tastarion
