#pragma once

#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "engine/setting.h"

namespace tastarion::ui {

// The hover tip of the main window, shown over the picture and wherever no control is;
// the English text, which the window translates.
extern const char* const keyboard_tooltip;

// The transposition list's rows, top to bottom: +12 down to -12 semitones.
extern const std::array<const char*, 25> transpose_names;
int transpose_row(int semitones);
int transpose_of_row(int row);

// Geometry of the strip in the window's client area.
inline constexpr int strip_width = 624;
inline constexpr int strip_height = 46;

// The header, the three sliders and the three lists along the top of the window.
// Ranges and start values come from the settings' descriptions. Signals tell
// only what the user did, in the settings' own values; the setters move a
// control silently. The controls are named by their object names: "header",
// "volume", "pitch", "mm", "transpose", "instrument" and "device".
class ControlStrip : public QWidget {
  Q_OBJECT

 public:
  explicit ControlStrip(QWidget* parent = nullptr);

  void setVolume(int value);
  void setPitch(int value);
  void setMmSpeed(int value);
  void setTranspose(int semitones);
  void selectInstrument(int index);
  void setDeviceNames(const std::vector<std::string>& names);
  void selectDevice(int index);

 signals:
  // Each step of a drag, each click on the track (moved or not) and the end of a drag.
  void volumeMoved(int value);
  void pitchMoved(int value);
  void mmMoved(int value);
  // What the user chose in a list, also what it already showed.
  void transposeChosen(int semitones);
  void instrumentChosen(int index);
  void deviceChosen(int index);
  // A list is done with the keyboard: after a choice and after a cancelled drop-down.
  void focusReturn();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void make_header();
  QSlider* make_slider(int left, const Setting& setting, int tick_interval, const QString& name,
                       const QString& tip, void (ControlStrip::*moved)(int));
  QComboBox* make_list(int left, int width, const QString& name, const QString& tip,
                       void (ControlStrip::*chosen)(int), int (*value_of_row)(int));
  void show_value_tip(QSlider* slider, int value);
  void schedule_focus_return();

  QSlider* volume_;
  QSlider* pitch_;
  QSlider* mm_;
  QComboBox* transpose_;
  QComboBox* instrument_;
  QComboBox* device_;
  bool focus_return_pending_ = false;
};

}  // namespace tastarion::ui
