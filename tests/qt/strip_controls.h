#pragma once

#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QWidget>

namespace tastarion::testing {

// The control strip's controls, found by their object names.
struct StripControls {
  explicit StripControls(const QWidget& strip)
      : header(find<QLabel>(strip, "header")),
        volume(find<QSlider>(strip, "volume")),
        pitch(find<QSlider>(strip, "pitch")),
        mm(find<QSlider>(strip, "mm")),
        transpose(find<QComboBox>(strip, "transpose")),
        instrument(find<QComboBox>(strip, "instrument")),
        device(find<QComboBox>(strip, "device")) {}

  template <typename Control>
  static Control* find(const QWidget& strip, const char* name) {
    auto* control = strip.findChild<Control*>(QString::fromLatin1(name));
    Q_ASSERT(control != nullptr);
    return control;
  }

  QLabel* header;
  QSlider* volume;
  QSlider* pitch;
  QSlider* mm;
  QComboBox* transpose;
  QComboBox* instrument;
  QComboBox* device;
};

}  // namespace tastarion::testing
