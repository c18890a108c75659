#include "ui/control_strip.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QToolTip>
#include <algorithm>

#include "engine/sound_settings.h"

namespace tastarion::ui {

const std::array<const char*, 25> transpose_names = {
    "+C",     "+B", "+Bb/A#", "+A",     "+G#/Ab", "+G",     "+F#/Gb", "+F",     "+E",
    "+D#/Eb", "+D", "+C#/Db", "C",      "-B",     "-A#/Bb", "-A",     "-G#/Ab", "-G",
    "-F#/Gb", "-F", "-E",     "-D#/Eb", "-D",     "-C#/Db", "-C"};

static_assert(transpose_names.size() == kTransposeSetting.maximum - kTransposeSetting.minimum + 1);

int transpose_row(int semitones) {
  return kTransposeSetting.maximum - semitones;
}
int transpose_of_row(int row) {
  return kTransposeSetting.maximum - row;
}

const char* const keyboard_tooltip = QT_TRANSLATE_NOOP(
    "tastarion::MainWindow",
    "[C]=C2-Do [V]=C2-Re [/]=C3-Do\nPress [F1] for Help or\nClick right button of a mouse");

namespace {

constexpr int header_font_pixels = 12;
constexpr int controls_top = 20;
constexpr int slider_width = 69;
constexpr int slider_height = 26;
// A closed list; its drop-down part opens below, over the keyboard.
constexpr int list_height = 24;
constexpr int list_visible_rows = 13;

int same_row(int row) {
  return row;
}

}  // namespace

ControlStrip::ControlStrip(QWidget* parent) : QWidget(parent) {
  // Not filled: the gaps between the controls show the window's black background.
  setAutoFillBackground(false);
  resize(strip_width, strip_height);
  // The window behind is black; the controls keep the system's dialog colours.
  QPalette dialog_palette = QApplication::palette();
  dialog_palette.setResolveMask(~QPalette::ResolveMask{0});
  setPalette(dialog_palette);

  make_header();
  // Each control has a name that a screen reader says before its value
  // ("Volume, 8"), and its tip as the description.
  volume_ = make_slider(0, kVolumeSetting, 1, tr("Volume"), tr("Volume(Up/Down arrow key)"),
                        &ControlStrip::volumeMoved);
  pitch_ =
      make_slider(70, kFinePitchSetting, 100, tr("Fine pitch"),
                  tr("Fine Picth ±100Cent\n(Left/Right arrow key)"), &ControlStrip::pitchMoved);
  mm_ = make_slider(140, kMmSpeedSetting, 20, tr("Metronome speed"),
                    tr("M.M On/Off(F5)\nM.M Speed(F6/F7)"), &ControlStrip::mmMoved);

  transpose_ = make_list(210, 79, tr("Transpose"), tr("Transpose([Ins]/[Del])"),
                         &ControlStrip::transposeChosen, transpose_of_row);
  instrument_ = make_list(290, 124, tr("Instrument"), tr("Instrument([Home]/[End])"),
                          &ControlStrip::instrumentChosen, same_row);
  device_ = make_list(414, 210, tr("MIDI device"), tr("Midi Source([PgUp]/[PgDn])"),
                      &ControlStrip::deviceChosen, same_row);
  // Names that tools and tests find the controls by.
  volume_->setObjectName(QStringLiteral("volume"));
  pitch_->setObjectName(QStringLiteral("pitch"));
  mm_->setObjectName(QStringLiteral("mm"));
  transpose_->setObjectName(QStringLiteral("transpose"));
  instrument_->setObjectName(QStringLiteral("instrument"));
  device_->setObjectName(QStringLiteral("device"));

  for (const char* name : transpose_names) transpose_->addItem(QString::fromUtf8(name));
  setTranspose(kTransposeSetting.initial);
  for (const char* name : instrument_names) {
    instrument_->addItem(QCoreApplication::translate("Instrument", name));
  }
  selectInstrument(kInstrumentSetting.initial);
}

void ControlStrip::make_header() {
  // Captions over the six columns, spaced for the controls below them; a
  // translation keeps each caption over its column.
  auto* header = new QLabel(
      tr("  Volume     Pitch      M.M    Transpose     Instrument               Midi device"),
      this);
  header->setObjectName(QStringLiteral("header"));
  header->setGeometry(0, 0, strip_width, controls_top);
  header->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // The captions are spaced for a font of about seven pixels a character; a fixed-pitch
  // one keeps each caption over its column, which the usual proportional font does not.
  QFont header_font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  header_font.setPixelSize(header_font_pixels);
  header->setFont(header_font);
  header->setAutoFillBackground(true);
  QPalette header_palette = header->palette();
  header_palette.setColor(QPalette::WindowText, Qt::black);
  header->setPalette(header_palette);
  // No tip of its own: the window's key guide shows over the header. The
  // controls' own names say what it says.
  header->setAccessibleName(tr("Control captions"));
}

QSlider* ControlStrip::make_slider(int left, const Setting& setting, int tick_interval,
                                   const QString& name, const QString& tip,
                                   void (ControlStrip::*moved)(int)) {
  auto* slider = new QSlider(Qt::Horizontal, this);
  slider->setGeometry(left, controls_top, slider_width, slider_height);
  slider->setRange(setting.minimum, setting.maximum);
  slider->setSingleStep(setting.step);
  // A click on the track moves a fifth of the range, as a trackbar's page does.
  slider->setPageStep(std::max(1, (setting.maximum - setting.minimum) / 5));
  slider->setValue(setting.initial);
  slider->setTickPosition(QSlider::TicksAbove);
  slider->setTickInterval(tick_interval);
  // The piano keeps the keyboard: arrows and pages are command keys, never slider keys.
  slider->setFocusPolicy(Qt::NoFocus);
  slider->setAutoFillBackground(true);
  slider->setToolTip(tip);
  slider->setAccessibleName(name);
  slider->setAccessibleDescription(tip);

  // actionTriggered comes after the position moved and before the value follows, for
  // drag steps and for track clicks even when the thumb stays where it is.
  connect(slider, &QAbstractSlider::actionTriggered, this,
          [this, slider, moved] { emit(this->*moved)(slider->sliderPosition()); });
  connect(slider, &QAbstractSlider::sliderReleased, this, [this, slider, moved] {
    QToolTip::hideText();
    emit(this->*moved)(slider->value());
  });
  connect(slider, &QAbstractSlider::sliderMoved, this,
          [this, slider](int position) { show_value_tip(slider, position); });
  return slider;
}

QComboBox* ControlStrip::make_list(int left, int width, const QString& name, const QString& tip,
                                   void (ControlStrip::*chosen)(int), int (*value_of_row)(int)) {
  auto* list = new QComboBox(this);
  list->setGeometry(left, controls_top, width, list_height);
  list->setFocusPolicy(Qt::ClickFocus);
  list->setMaxVisibleItems(list_visible_rows);
  list->setToolTip(tip);
  list->setAccessibleName(name);
  list->setAccessibleDescription(tip);
  // On Linux a list's own accessible name is the row it shows; screen readers
  // take its caption from the label it is the buddy of. The header shows the
  // captions, so this label stays hidden.
  auto* caption = new QLabel(name, this);
  caption->setBuddy(list);
  caption->hide();
  // The drop-down's hiding is the one sign of a cancelled choice.
  list->view()->window()->installEventFilter(this);
  connect(list, &QComboBox::activated, this, [this, chosen, value_of_row](int row) {
    emit(this->*chosen)(value_of_row(row));
    schedule_focus_return();
  });
  return list;
}

void ControlStrip::show_value_tip(QSlider* slider, int value) {
  QStyleOptionSlider option;
  option.initFrom(slider);
  option.orientation = slider->orientation();
  option.minimum = slider->minimum();
  option.maximum = slider->maximum();
  option.sliderPosition = value;
  option.sliderValue = value;
  option.tickPosition = slider->tickPosition();
  option.tickInterval = slider->tickInterval();
  const QRect handle =
      slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
  // QToolTip puts the tip below and right of the point; lift it above the slider.
  const int tip_height = QFontMetrics(QToolTip::font()).height() + 8;
  const QPoint point = slider->mapToGlobal(QPoint(handle.center().x(), -16 - tip_height));
  QToolTip::showText(point, QString::number(value), slider);
}

bool ControlStrip::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Hide) schedule_focus_return();
  return QWidget::eventFilter(watched, event);
}

void ControlStrip::schedule_focus_return() {
  // After the drop-down has closed and Qt has settled the focus; a choice made in the
  // drop-down both hides it and activates, and gives one focusReturn.
  focus_return_pending_ = true;
  QTimer::singleShot(0, this, [this] {
    if (!focus_return_pending_) return;
    focus_return_pending_ = false;
    emit focusReturn();
  });
}

void ControlStrip::setVolume(int value) {
  volume_->setValue(value);
}
void ControlStrip::setPitch(int value) {
  pitch_->setValue(value);
}
void ControlStrip::setMmSpeed(int value) {
  mm_->setValue(value);
}
void ControlStrip::setTranspose(int semitones) {
  transpose_->setCurrentIndex(transpose_row(semitones));
}
void ControlStrip::selectInstrument(int index) {
  instrument_->setCurrentIndex(index);
}
void ControlStrip::setDeviceNames(const std::vector<std::string>& names) {
  device_->clear();
  for (const std::string& name : names) device_->addItem(QString::fromStdString(name));
}
void ControlStrip::selectDevice(int index) {
  device_->setCurrentIndex(index);
}

}  // namespace tastarion::ui
