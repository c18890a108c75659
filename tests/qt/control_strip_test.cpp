#include "ui/control_strip.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QTest>
#include <QToolTip>
#include <memory>

#include "engine/sound_settings.h"
#include "qt/strip_controls.h"

namespace tastarion::ui {
namespace {

// The strip on a black window, as the program shows it.
class ControlStripTest : public ::testing::Test {
 protected:
  ControlStripTest() {
    window.setFixedSize(624, 126);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::black);
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    strip = new ControlStrip(&window);
    strip->setGeometry(0, 0, 624, 46);
    controls = std::make_unique<testing::StripControls>(*strip);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (auto signal : {SIGNAL(volumeMoved(int)), SIGNAL(pitchMoved(int)), SIGNAL(mmMoved(int)),
                        SIGNAL(transposeChosen(int)), SIGNAL(instrumentChosen(int)),
                        SIGNAL(deviceChosen(int)), SIGNAL(focusReturn())}) {
      spies.push_back(std::make_unique<QSignalSpy>(strip, signal));
    }
  }

  QSignalSpy& volume() { return *spies[0]; }
  QSignalSpy& pitch() { return *spies[1]; }
  QSignalSpy& mm() { return *spies[2]; }
  QSignalSpy& transpose() { return *spies[3]; }
  QSignalSpy& instrument() { return *spies[4]; }
  QSignalSpy& focus_return() { return *spies[6]; }
  int signals_seen() const {
    int count = 0;
    for (const auto& spy : spies) count += spy->count();
    return count;
  }
  // QTest's own checks do not report to gtest; wait, then let gtest judge.
  bool wait_for_focus_return(int count) {
    (void)QTest::qWaitFor([&] { return focus_return().count() >= count; }, 1000);
    QTest::qWait(20);  // and no second one
    return focus_return().count() == count;
  }
  // The values a slider signal carried, in order.
  static QList<int> values(const QSignalSpy& spy) {
    QList<int> result;
    for (const auto& arguments : spy) result.append(arguments.at(0).toInt());
    return result;
  }
  static QPoint handle_centre(QSlider* slider) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.tickPosition = slider->tickPosition();
    option.tickInterval = slider->tickInterval();
    return slider->style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
        .center();
  }

  QWidget window;
  ControlStrip* strip;
  std::unique_ptr<testing::StripControls> controls;
  std::vector<std::unique_ptr<QSignalSpy>> spies;
};

TEST_F(ControlStripTest, StartsAtTheInitialSettings) {
  struct Expected {
    QSlider* slider;
    int minimum, maximum, value, tick_interval;
  };
  for (const Expected& e :
       {Expected{controls->volume, 0, 10, 8, 1}, Expected{controls->pitch, -100, 100, 0, 100},
        Expected{controls->mm, 30, 240, 60, 20}}) {
    EXPECT_EQ(e.slider->minimum(), e.minimum);
    EXPECT_EQ(e.slider->maximum(), e.maximum);
    EXPECT_EQ(e.slider->value(), e.value);
    EXPECT_EQ(e.slider->tickPosition(), QSlider::TicksAbove);
    EXPECT_EQ(e.slider->tickInterval(), e.tick_interval);
    EXPECT_EQ(e.slider->orientation(), Qt::Horizontal);
  }
  QComboBox* transpose_list = controls->transpose;
  ASSERT_EQ(transpose_list->count(), 25);
  for (int row = 0; row < 25; ++row) {
    EXPECT_EQ(transpose_list->itemText(row), QString::fromUtf8(transpose_names[row]));
  }
  EXPECT_EQ(transpose_list->currentIndex(), 12);
  for (int semitones = -12; semitones <= 12; ++semitones) {
    EXPECT_EQ(transpose_of_row(transpose_row(semitones)), semitones);
  }
  EXPECT_EQ(transpose_row(12), 0);
  EXPECT_EQ(transpose_list->currentText(), "C");
  EXPECT_EQ(transpose_list->itemText(5), "+G");
  EXPECT_EQ(transpose_list->itemText(24), "-C");
  QComboBox* instrument_list = controls->instrument;
  ASSERT_EQ(instrument_list->count(), 9);
  EXPECT_EQ(instrument_list->currentText(), "0 Piano");
  EXPECT_EQ(instrument_list->itemText(8), "73 Flute");
  EXPECT_EQ(controls->device->count(), 0);
  EXPECT_EQ(signals_seen(), 0);
}

TEST_F(ControlStripTest, GeometryAndHeader) {
  EXPECT_EQ(controls->header->geometry(), QRect(0, 0, 624, 20));
  const QString header = controls->header->text();
  EXPECT_EQ(header.size(), 81);
  EXPECT_EQ(header,
            "  Volume     Pitch      M.M    Transpose     Instrument               Midi device");
  // Each caption starts over its own column.
  const QFontMetrics metrics(controls->header->font());
  const QList<std::pair<QString, int>> captions{
      {"Pitch", 70}, {"M.M", 140}, {"Transpose", 210}, {"Instrument", 290}, {"Midi device", 414}};
  for (int i = 0; i < captions.size(); ++i) {
    const auto& [caption, column] = captions[i];
    const int left = metrics.horizontalAdvance(header.left(header.indexOf(caption)));
    const int column_end = i + 1 < captions.size() ? captions[i + 1].second : 624;
    EXPECT_GE(left, column) << caption.toStdString();
    EXPECT_LT(left, column_end) << caption.toStdString();
  }
  EXPECT_LE(metrics.horizontalAdvance(header), 624);
  EXPECT_EQ(controls->volume->geometry(), QRect(0, 20, 69, 26));
  EXPECT_EQ(controls->pitch->geometry(), QRect(70, 20, 69, 26));
  EXPECT_EQ(controls->mm->geometry(), QRect(140, 20, 69, 26));
  struct List {
    QComboBox* list;
    int left, width;
  };
  for (const List& l : {List{controls->transpose, 210, 79}, List{controls->instrument, 290, 124},
                        List{controls->device, 414, 210}}) {
    EXPECT_EQ(l.list->x(), l.left);
    EXPECT_EQ(l.list->y(), 20);
    EXPECT_EQ(l.list->width(), l.width);
    EXPECT_LE(l.list->geometry().bottom(), 45);
  }
  // The one-pixel gaps between the controls show the black window.
  const QImage shot = window.grab().toImage();
  for (int x : {69, 139, 209}) {
    EXPECT_EQ(shot.pixel(x, 30), qRgb(0, 0, 0)) << x;
    EXPECT_EQ(strip->childAt(x, 30), nullptr) << x;
  }
  EXPECT_EQ(strip->childAt(289, 30), nullptr);
  // The header is dark text on the light dialog ground.
  EXPECT_GT(qGray(shot.pixel(620, 2)), 160);
}

TEST_F(ControlStripTest, TooltipsNameTheKeysThatDoTheJob) {
  EXPECT_EQ(controls->volume->toolTip(), "Volume(Up/Down arrow key)");
  EXPECT_EQ(controls->pitch->toolTip(),
            QString::fromUtf8("Fine Picth \u00b1100Cent\n(Left/Right arrow key)"));
  EXPECT_EQ(controls->mm->toolTip(), "M.M On/Off(F5)\nM.M Speed(F6/F7)");
  EXPECT_EQ(controls->transpose->toolTip(), "Transpose([Ins]/[Del])");
  EXPECT_EQ(controls->instrument->toolTip(), "Instrument([Home]/[End])");
  EXPECT_EQ(controls->device->toolTip(), "Midi Source([PgUp]/[PgDn])");
  EXPECT_STREQ(keyboard_tooltip,
               "[C]=C2-Do [V]=C2-Re [/]=C3-Do\nPress [F1] for Help or\n"
               "Click right button of a mouse");
  // Nothing in the way of the window's own tip over the header and the gaps.
  EXPECT_TRUE(controls->header->toolTip().isEmpty());
  EXPECT_TRUE(strip->toolTip().isEmpty());
}

TEST_F(ControlStripTest, FocusStaysWithTheWindow) {
  for (QSlider* slider : {controls->volume, controls->pitch, controls->mm}) {
    EXPECT_EQ(slider->focusPolicy(), Qt::NoFocus);
  }
  for (QComboBox* list : {controls->transpose, controls->instrument, controls->device}) {
    EXPECT_EQ(list->focusPolicy(), Qt::ClickFocus);
  }
  window.setFocusPolicy(Qt::StrongFocus);
  window.setFocus();
  QTest::mouseClick(controls->volume, Qt::LeftButton, {}, QPoint(60, 18));
  EXPECT_TRUE(window.hasFocus());
}

TEST_F(ControlStripTest, SlidersReportEveryUserAction) {
  QSlider* slider = controls->volume;
  slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(values(volume()), QList<int>{10});
  EXPECT_EQ(slider->value(), 10);
  // A click that leaves the thumb where it is still counts.
  slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(values(volume()), (QList<int>{10, 10}));

  // A click on the track with the mouse.
  QSlider* pitch_slider = controls->pitch;
  QTest::mouseClick(pitch_slider, Qt::LeftButton, {}, QPoint(66, 18));
  ASSERT_EQ(pitch().count(), 1);
  EXPECT_EQ(values(pitch()).first(), pitch_slider->value());
  EXPECT_GT(pitch_slider->value(), 0);
  EXPECT_EQ(signals_seen(), 3);
}

TEST_F(ControlStripTest, ADragReportsEachStepAndItsEnd) {
  QSlider* slider = controls->mm;
  strip->setMmSpeed(150);
  const QPoint start = handle_centre(slider);
  QTest::mousePress(slider, Qt::LeftButton, {}, start);
  QTest::mouseMove(slider, start - QPoint(8, 0));
  QTest::mouseMove(slider, QPoint(0, start.y()));
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), "30");
  QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(0, start.y()));
  const QList<int> seen = values(mm());
  ASSERT_EQ(seen.size(), 3);
  EXPECT_GT(seen[0], 30);
  EXPECT_LT(seen[0], 150);
  EXPECT_EQ(seen[1], 30);
  EXPECT_EQ(seen[2], 30);  // the end of the drag
  EXPECT_EQ(slider->value(), 30);
}

TEST_F(ControlStripTest, SettersAreSilent) {
  strip->setVolume(3);
  strip->setPitch(-42);
  strip->setMmSpeed(200);
  strip->setTranspose(7);
  strip->selectInstrument(8);
  strip->setDeviceNames({"FluidSynth", "midi-monitor:input"});
  strip->selectDevice(1);
  QApplication::processEvents();
  EXPECT_EQ(signals_seen(), 0);
  EXPECT_EQ(controls->volume->value(), 3);
  EXPECT_EQ(controls->pitch->value(), -42);
  EXPECT_EQ(controls->mm->value(), 200);
  EXPECT_EQ(controls->transpose->currentText(), "+G");
  EXPECT_EQ(controls->instrument->currentText(), "73 Flute");
  EXPECT_EQ(controls->device->currentText(), "midi-monitor:input");
}

TEST_F(ControlStripTest, AChoiceInTheDropDownReportsAndReturnsTheFocus) {
  QComboBox* list = controls->transpose;
  list->setFocus();
  list->showPopup();
  ASSERT_TRUE(list->view()->isVisible());
  for (int i = 0; i < 7; ++i) QTest::keyClick(list->view(), Qt::Key_Up);
  QTest::keyClick(list->view(), Qt::Key_Return);
  EXPECT_FALSE(list->view()->isVisible());
  EXPECT_EQ(values(transpose()), QList<int>{7});  // "+G": seven semitones up
  EXPECT_TRUE(wait_for_focus_return(1));

  // The same row again still counts: the change runs whole.
  list->showPopup();
  QTest::keyClick(list->view(), Qt::Key_Return);
  EXPECT_EQ(values(transpose()), (QList<int>{7, 7}));
  EXPECT_TRUE(wait_for_focus_return(2));
}

TEST_F(ControlStripTest, EscapeCancelsAndReturnsTheFocus) {
  QComboBox* list = controls->instrument;
  list->setFocus();
  list->showPopup();
  ASSERT_TRUE(list->view()->isVisible());
  QTest::keyClick(list->view(), Qt::Key_Down);
  QTest::keyClick(list->view(), Qt::Key_Escape);
  EXPECT_FALSE(list->view()->isVisible());
  EXPECT_TRUE(wait_for_focus_return(1));
  EXPECT_EQ(instrument().count(), 0);
  EXPECT_EQ(list->currentIndex(), 0);
}

TEST_F(ControlStripTest, AClickOutsideCancelsAndReturnsTheFocus) {
  QComboBox* list = controls->device;
  strip->setDeviceNames({"FluidSynth", "midi-monitor:input"});
  list->setFocus();
  list->showPopup();
  ASSERT_TRUE(list->view()->isVisible());
  // The open drop-down holds the mouse: a press anywhere else reaches it first.
  QWidget* drop_down = list->view()->window();
  QTest::mouseClick(drop_down, Qt::LeftButton, {},
                    drop_down->mapFromGlobal(window.mapToGlobal(QPoint(20, 110))));
  EXPECT_FALSE(list->view()->isVisible());
  EXPECT_TRUE(wait_for_focus_return(1));
  EXPECT_EQ(signals_seen(), 1);
}

TEST_F(ControlStripTest, AKeyOnAClosedListChoosesTheNextRow) {
  QComboBox* list = controls->instrument;
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(values(instrument()), QList<int>{1});
  EXPECT_TRUE(wait_for_focus_return(1));
}

}  // namespace
}  // namespace tastarion::ui
