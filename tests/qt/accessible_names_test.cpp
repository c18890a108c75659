#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "app/program.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_midi.h"
#include "fakes/fake_timer_service.h"
#include "instrument/piano.h"
#include "qt/strip_controls.h"
#include "ui/keyboard_widget.h"

namespace tastarion::testing {
namespace {

// What a screen reader says of a control: its name (its label's, where it has
// one), a comma, its value.
std::string spoken(QObject* object) {
  QAccessibleInterface* control = QAccessible::queryAccessibleInterface(object);
  if (control == nullptr) return "(not accessible)";
  QString value = control->text(QAccessible::Value);
  if (QAccessibleValueInterface* number = control->valueInterface()) {
    value = number->currentValue().toString();
  }
  // A caption given by a label comes first, as Orca reads it.
  QString name = control->text(QAccessible::Name);
  const auto labels = control->relations(QAccessible::Label);
  if (!labels.isEmpty()) name = labels.first().first->text(QAccessible::Name);
  return (name + QStringLiteral(", ") + value).toStdString();
}

// Every name and value text in an accessible subtree, one line each.
QString texts_under(QAccessibleInterface* node) {
  QString all = node->text(QAccessible::Name) + '\n' + node->text(QAccessible::Value) + '\n';
  for (int i = 0; i < node->childCount(); ++i) all += texts_under(node->child(i));
  return all;
}

class AccessibleNamesTest : public ::testing::Test {
 protected:
  AccessibleNamesTest()
      : midi({"Fake synth", "Port B"}), program(midi, timers, clock, [](auto) {}) {}
  void SetUp() override {
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(QTest::qWaitFor([this] { return program.device_started(); }));
  }
  void press_and_release(quint32 native) {
    for (auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
      QKeyEvent event(type, Qt::Key_unknown, Qt::NoModifier, native, 0, 0, QString());
      event.setTimestamp(++now_);
      QApplication::sendEvent(&program.window(), &event);
    }
    QTest::qWait(kReleaseGraceMs * 3);
  }

  FakeMidi midi;
  FakeTimerService timers;
  FakeClock clock;
  Program program;
  quint64 now_ = 1000;
};

TEST_F(AccessibleNamesTest, EachControlSaysItsNameAndValueAndFollowsTheKeys) {
  const StripControls controls(program.window());
  EXPECT_EQ(spoken(controls.volume), "Volume, 8");
  EXPECT_EQ(spoken(controls.pitch), "Fine pitch, 0");
  EXPECT_EQ(spoken(controls.mm), "Metronome speed, 60");
  EXPECT_EQ(spoken(controls.transpose), "Transpose, C");
  EXPECT_EQ(spoken(controls.instrument), "Instrument, 0 Piano");
  EXPECT_EQ(spoken(controls.device), "MIDI device, Fake synth");
  // The tip is the description: it names the keys that do the job.
  EXPECT_EQ(
      QAccessible::queryAccessibleInterface(controls.instrument)->text(QAccessible::Description),
      "Instrument([Home]/[End])");

  // Up raises the volume, End the instrument: what is read follows.
  press_and_release(111 /* Up */);
  press_and_release(115 /* End */);
  EXPECT_EQ(spoken(controls.volume), "Volume, 9");
  EXPECT_EQ(spoken(controls.instrument), "Instrument, 6 Harpsicord");
}

TEST_F(AccessibleNamesTest, TheKeyboardHasANameAndSaysHowToPlayIt) {
  auto* keyboard = program.window().findChild<ui::KeyboardWidget*>();
  ASSERT_NE(keyboard, nullptr);
  QAccessibleInterface* picture = QAccessible::queryAccessibleInterface(keyboard);
  EXPECT_EQ(picture->text(QAccessible::Name), "Keyboard");
  EXPECT_TRUE(picture->text(QAccessible::Description).contains("43 keys"));
}

TEST_F(AccessibleNamesTest, TheHelpBoxKeepsItsTextReadable) {
  QString read;
  QString caption;
  QTimer::singleShot(50, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(box);
    caption = node->text(QAccessible::Name);
    read = texts_under(node);
    box->button(QMessageBox::Ok)->click();
  });
  program.piano().show_help();
  EXPECT_TRUE(caption.startsWith("Tastarion")) << caption.toStdString();
  EXPECT_TRUE(read.contains("<< Outline >>")) << read.toStdString();
  EXPECT_TRUE(read.contains("[Pause] ends the program.")) << read.toStdString();
}

}  // namespace
}  // namespace tastarion::testing
