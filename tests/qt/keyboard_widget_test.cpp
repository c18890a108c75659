#include "ui/keyboard_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <thread>

namespace tastarion::ui {
namespace {

const QRgb black = qRgb(0, 0, 0);
const QRgb white = qRgb(255, 255, 255);

// Points on white keys 3 (note 48) and 4 (note 50), on black key 3 (note 49),
// and in the black band above the keys.
const QPoint on_48(83, 110);
const QPoint on_50(107, 110);
const QPoint on_49(95, 60);
const QPoint above_keys(100, 30);

// Counts the queued calls that reach a widget.
class QueuedCalls final : public QObject {
 public:
  explicit QueuedCalls(QWidget& widget) { widget.installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MetaCall) ++count;
    return false;
  }
  int count = 0;
};

// The keyboard alone in a window of its own, as another program part would use it.
class KeyboardWidgetTest : public ::testing::Test {
 protected:
  KeyboardWidgetTest()
      : pressed(&keyboard, &KeyboardWidget::notePressed),
        moved(&keyboard, &KeyboardWidget::noteMoved),
        released(&keyboard, &KeyboardWidget::noteReleased),
        help(&keyboard, &KeyboardWidget::helpAsked),
        exit(&keyboard, &KeyboardWidget::exitAsked) {
    keyboard.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&keyboard));
  }

  static QList<int> notes(const QSignalSpy& spy) {
    QList<int> result;
    for (const auto& arguments : spy) result.append(arguments.at(0).value<uint8_t>());
    return result;
  }
  QRgb pixel(QPoint at) { return keyboard.grab().toImage().pixel(at); }
  // Opens the menu with a right click at `at` and chooses the item `row`.
  QPoint choose_from_menu(QPoint at, int row) {
    QPoint menu_at;
    QTimer::singleShot(50, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_NE(menu, nullptr);
      menu_at = menu->pos();
      items.clear();
      for (QAction* action : menu->actions()) items << action->text();
      menu->setActiveAction(menu->actions().at(row));
      QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QApplication::sendEvent(menu, &enter);
    });
    QTest::mousePress(&keyboard, Qt::RightButton, {}, at);
    return menu_at;
  }

  KeyboardWidget keyboard;
  QSignalSpy pressed, moved, released, help, exit;
  QStringList items;
};

TEST_F(KeyboardWidgetTest, TheLeftButtonPlaysTheKeyUnderThePointerAndSlides) {
  EXPECT_EQ(keyboard.size(), QSize(picture_width, picture_height));
  QTest::mouseMove(&keyboard, on_50);  // no button held: nothing
  QTest::mousePress(&keyboard, Qt::LeftButton, {}, on_48);
  QTest::mouseMove(&keyboard, on_49);
  QTest::mouseMove(&keyboard, above_keys);
  QTest::mouseRelease(&keyboard, Qt::LeftButton, {}, above_keys);
  QTest::mousePress(&keyboard, Qt::MiddleButton, {}, on_50);
  QTest::mouseRelease(&keyboard, Qt::MiddleButton, {}, on_50);
  QTest::mouseClick(&keyboard, Qt::LeftButton, {}, above_keys);
  EXPECT_EQ(notes(pressed), (QList<int>{48, 0}));
  EXPECT_EQ(notes(moved), (QList<int>{49, 0}));
  EXPECT_EQ(released.count(), 2);
  EXPECT_EQ(help.count() + exit.count(), 0);
}

TEST_F(KeyboardWidgetTest, TheRightButtonOpensTheMenuAtThePointer) {
  EXPECT_EQ(choose_from_menu(on_50, 0), keyboard.mapToGlobal(on_50));
  EXPECT_EQ(items, QStringList({"Help", "Exit"}));
  EXPECT_EQ(help.count(), 1);
  EXPECT_EQ(exit.count(), 0);
  choose_from_menu(on_48, 1);
  EXPECT_EQ(help.count(), 1);
  EXPECT_EQ(exit.count(), 1);
  EXPECT_EQ(pressed.count() + released.count(), 0);
}

TEST_F(KeyboardWidgetTest, MarksFromAnotherThreadAreDrawnTogetherInOrder) {
  QueuedCalls calls(keyboard);
  std::thread([this] {
    for (int round = 0; round < 100; ++round) {
      keyboard.draw_mark(true, 48);
      keyboard.draw_mark(false, 48);
    }
    keyboard.draw_mark(true, 85);
    keyboard.draw_mark(true, 50);
    keyboard.erase_marks();  // takes 85 and 50 away again
    keyboard.draw_mark(true, 48);
    keyboard.draw_mark(true, 49);
  }).join();
  QApplication::processEvents();
  EXPECT_EQ(calls.count, 1);
  EXPECT_EQ(pixel(QPoint(11 + 72, 119)), black);  // the dot of 48
  EXPECT_EQ(pixel(QPoint(23 + 72, 89)), white);   // the dot of 49
  EXPECT_EQ(pixel(QPoint(11 + 96, 119)), white);  // 50: none
  EXPECT_EQ(pixel(QPoint(599, 89)), black);       // 85: none

  // The next turn of the event loop gets a call of its own.
  keyboard.draw_mark(false, 48);
  QApplication::processEvents();
  EXPECT_EQ(calls.count, 2);
  EXPECT_EQ(pixel(QPoint(11 + 72, 119)), white);
}

}  // namespace
}  // namespace tastarion::ui
