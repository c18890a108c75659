#include "app/main_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "app/program.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_midi.h"
#include "fakes/fake_timer_service.h"
#include "instrument/help_text.h"
#include "qt/strip_controls.h"
#include "ui/control_strip.h"
#include "ui/keyboard_widget.h"

namespace tastarion::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);

// XKB keycodes as X11 reports them (evdev code + 8).
constexpr quint32 kXkbC = 54;
constexpr quint32 kXkbV = 55;
constexpr quint32 kXkbTab = 23;
constexpr quint32 kXkbUp = 111;
constexpr quint32 kXkbF1 = 67;
constexpr quint32 kXkbF3 = 69;
constexpr quint32 kXkbPause = 127;
constexpr quint32 kXkbNumLock = 77;

// Centres of the marks of note 48 (white key 3) and note 85 (black key right of white key 24).
const QPoint kMark48(83, 119);
const QPoint kMark85(599, 89);

// Runs `check` on the first modal box or popup that opens, then lets the test go on.
void when_opened(std::function<void(QWidget*)> check) {
  auto* poll = new QTimer(qApp);
  auto tries = std::make_shared<int>(0);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, tries, check = std::move(check)] {
    QWidget* opened = QApplication::activePopupWidget();
    if (opened == nullptr) opened = QApplication::activeModalWidget();
    if (opened != nullptr || ++*tries > 200) {
      poll->deleteLater();
      poll->stop();
      if (opened != nullptr) check(opened);
    }
  });
  poll->start(10);
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest()
      : midi({"Fake synth", "Port B", "Port C"}), program(midi, timers, clock, [](auto) {}) {}

  void SetUp() override {
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(QTest::qWaitFor([this] { return program.device_started(); }));
    settle();
    midi.clear();
  }

  void settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }
  // Key events as the xcb platform makes them; each gets a later time unless told.
  void key(QEvent::Type type, quint32 native, bool repeat = false, int qt_key = Qt::Key_unknown,
           quint64 time = 0, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(type, qt_key, modifiers, native, 0, 0, QString(), repeat);
    event.setTimestamp(time != 0 ? time : ++now_);
    QApplication::sendEvent(keys_to_ != nullptr ? keys_to_ : &window(), &event);
  }
  void press(quint32 native, bool repeat = false, quint64 time = 0) {
    key(QEvent::KeyPress, native, repeat, Qt::Key_unknown, time);
  }
  void release(quint32 native, bool repeat = false, quint64 time = 0) {
    key(QEvent::KeyRelease, native, repeat, Qt::Key_unknown, time);
  }
  // Where releases wait: one goes out once it is sure no repeat press belongs to it.
  void wait_for_release() {
    QTest::qWait(kReleaseGraceMs * 3);
    QApplication::processEvents();  // the grace timer is due by now, however late we woke
  }
  std::vector<ShortMessage> sent() {
    auto out = midi.messages();
    midi.clear();
    return out;
  }
  QRgb pixel(QPoint at) { return window().grab().toImage().pixel(at); }

  MainWindow& window() { return program.window(); }
  ui::ControlStrip& strip() { return *window().findChild<ui::ControlStrip*>(); }
  StripControls controls() { return StripControls(window()); }
  Piano& piano() { return program.piano(); }

  FakeMidi midi;
  FakeTimerService timers;
  FakeClock clock;
  Program program;
  quint64 now_ = 1000;
  // Where key events go when not to the program's window.
  QWidget* keys_to_ = nullptr;
};

TEST_F(MainWindowTest, StartsWithTheWindowAndControlsAsSet) {
  EXPECT_EQ(window().windowTitle().toStdString(), version_line);
  EXPECT_EQ(window().size(), QSize(624, 126));
  EXPECT_EQ(window().minimumSize(), window().maximumSize());
  EXPECT_FALSE(window().windowFlags() &
               (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(window().toolTip(), QString::fromUtf8(ui::keyboard_tooltip));
  EXPECT_EQ(strip().geometry(), QRect(0, 0, 624, 46));
  EXPECT_FALSE(window().windowIcon().isNull());

  EXPECT_EQ(controls().volume->value(), 8);
  EXPECT_EQ(controls().pitch->value(), 0);
  EXPECT_EQ(controls().mm->value(), 60);
  EXPECT_EQ(controls().transpose->currentText(), "C");
  EXPECT_EQ(controls().instrument->currentText(), "0 Piano");
  ASSERT_EQ(controls().device->count(), 3);
  EXPECT_EQ(controls().device->currentText(), "Fake synth");
  EXPECT_EQ(midi.open_device(), 0);
  EXPECT_EQ(QApplication::focusWidget(), &window());
}

TEST_F(MainWindowTest, AHeldKeyRepeatsPressesAndItsReleaseGoesOutAtOnce) {
  press(kXkbC);
  press(kXkbC);  // detectable auto-repeat: presses only, none marked
  press(kXkbC, true);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 96)));
  settle();
  EXPECT_EQ(pixel(kMark48), kBlack);

  release(kXkbC);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_off(0, 48)));
  settle();
  EXPECT_EQ(pixel(kMark48), kWhite);

  press(kXkbUp);  // Up: louder, and the slider follows
  press(kXkbUp);  // a held command key runs again at each repeat
  release(kXkbUp);
  press(kXkbC);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 120)));
  EXPECT_EQ(controls().volume->value(), 10);
}

TEST_F(MainWindowTest, WithoutDetectableRepeatReleasePressPairsAreRepeats) {
  // A window on an X server that sends held keys as release-press pairs.
  MainWindow paired(KeyRepeats::release_press_pairs);
  EventBuffer take;
  Piano piano(
      midi, timers, clock, paired, take, [](auto) {}, [](auto) {});
  paired.attach(piano);
  piano.start_midi_out();
  midi.clear();
  keys_to_ = &paired;
  press(kXkbC, false, 100);
  press(kXkbC, true, 500);  // a pair Qt recognised: both halves marked
  release(kXkbC, true, 500);
  release(kXkbC, false, 760);  // Qt did not see the press behind it yet
  press(kXkbC, false, 760);
  release(kXkbC, false, 800);
  press(kXkbC, false, 800);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 96)));
  wait_for_release();
  EXPECT_THAT(sent(), IsEmpty());

  release(kXkbC, false, 900);  // the real release, then a new stroke
  EXPECT_THAT(sent(), IsEmpty());
  wait_for_release();
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_off(0, 48)));
  press(kXkbC, false, 910);
  release(kXkbC, false, 950);
  press(kXkbV, false, 950);  // another key's press sends the release at once
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 96), ShortMessage::note_off(0, 48),
                                  ShortMessage::note_on(0, 50, 96)));
}

TEST_F(MainWindowTest, TabPlaysItsNoteAndLeavesTheFocusAlone) {
  key(QEvent::KeyPress, kXkbTab, false, Qt::Key_Tab);
  key(QEvent::KeyRelease, kXkbTab, false, Qt::Key_Tab);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 62, 96), ShortMessage::note_off(0, 62)));
  EXPECT_EQ(QApplication::focusWidget(), &window());

  QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_F10, Qt::NoModifier, 76, 0, 0);
  shortcut.ignore();
  QApplication::sendEvent(&window(), &shortcut);
  EXPECT_TRUE(shortcut.isAccepted());  // so the key comes as a plain press
}

TEST_F(MainWindowTest, MarksFromTheTimerThreadShowOnceTheWindowThreadRuns) {
  const QImage bare = window().grab().toImage();
  EXPECT_EQ(bare.pixel(10, 110), kWhite);  // white key 0
  EXPECT_EQ(bare.pixel(20, 60), kBlack);   // black key 0
  EXPECT_EQ(bare.pixel(23, 110), kBlack);  // the gap after white key 0
  EXPECT_EQ(bare.pixel(kMark85), kBlack);

  std::thread([this] { window().draw_mark(true, 85); }).join();
  settle();
  EXPECT_EQ(pixel(kMark85), kWhite);
  std::thread([this] { window().draw_mark(false, 85); }).join();
  settle();
  EXPECT_EQ(pixel(kMark85), kBlack);

  std::thread([this] { window().show_status(PianoStatus::replaying); }).join();
  settle();
  EXPECT_EQ(window().windowTitle().toStdString(),
            std::string(version_line) + "        [Replaying...]");
  window().show_status(PianoStatus::idle);
  settle();
  EXPECT_EQ(window().windowTitle().toStdString(), std::string(version_line) + "        ");
  window().show_status(PianoStatus::none);
  settle();
  EXPECT_EQ(window().windowTitle().toStdString(), version_line);
}

TEST_F(MainWindowTest, FocusComesBackAfterAListChoiceAndAfterEscape) {
  QComboBox* devices = controls().device;
  devices->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), devices);
  devices->setCurrentIndex(2);
  emit devices->activated(2);
  settle();
  EXPECT_EQ(midi.open_device(), 2);
  EXPECT_EQ(QApplication::focusWidget(), &window());

  QComboBox* transpose = controls().transpose;
  transpose->setFocus();
  transpose->showPopup();
  settle();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(transpose->view(), &escape);
  settle();
  EXPECT_EQ(QApplication::focusWidget(), &window());
  sent();
  press(kXkbC);  // not transposed
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 96)));
}

TEST_F(MainWindowTest, SliderAndListNotificationsReachTheSettings) {
  controls().volume->triggerAction(QAbstractSlider::SliderPageStepSub);  // 8 -> 6
  controls().pitch->triggerAction(QAbstractSlider::SliderPageStepAdd);   // 0 -> 40
  EXPECT_THAT(sent(), ::testing::Contains(ShortMessage::pitch_bend(5, (40 / 3 + 64) << 7)));
  controls().mm->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  press(kXkbF1 + 6);  // F7 steps on from the slider's 61
  EXPECT_EQ(controls().mm->value(), 62);
  emit controls().transpose->activated(5);   // "+G"
  emit controls().instrument->activated(8);  // "73 Flute"
  EXPECT_THAT(sent(), ::testing::Contains(ShortMessage::program_change(15, 73)));
  press(kXkbC);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 55, 72)));
  settle();
  EXPECT_EQ(QApplication::focusWidget(), &window());
}

TEST_F(MainWindowTest, HeldKeysEndWheneverTheWindowStopsGettingTheKeys) {
  const auto held_keys_end_on = [&](QEvent&& event, QObject* receiver) {
    press(kXkbC);
    press(kXkbV);
    sent();
    QApplication::sendEvent(receiver, &event);
    EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_off(0, 48), ShortMessage::note_off(1, 50)))
        << event.type();
    release(kXkbC);  // arrives after the keys came back: nothing left to stop
    release(kXkbV);
    EXPECT_THAT(sent(), IsEmpty());
  };
  held_keys_end_on(QFocusEvent(QEvent::FocusOut, Qt::PopupFocusReason), &window());
  held_keys_end_on(QEvent(QEvent::WindowBlocked), &window());
  held_keys_end_on(QEvent(QEvent::WindowDeactivate), &window());
  held_keys_end_on(QApplicationStateChangeEvent(Qt::ApplicationInactive), qApp);
  settle();
  EXPECT_EQ(pixel(kMark48), kWhite);

  // A list opened with the mouse while a key is held.
  window().setFocus();
  press(kXkbC);
  controls().instrument->showPopup();
  settle();
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 96), ShortMessage::note_off(0, 48)));
  controls().instrument->hidePopup();
}

TEST_F(MainWindowTest, AKeyHeldWhileTheHelpBoxIsOpenEndsAndPlaysAnewAfterwards) {
  std::vector<ShortMessage> while_open;
  when_opened([&](QWidget* opened) {
    while_open = sent();
    release(kXkbC);  // the release the box swallowed
    qobject_cast<QMessageBox*>(opened)->button(QMessageBox::Ok)->click();
  });
  press(kXkbC);
  press(kXkbF1);
  EXPECT_THAT(while_open,
              ElementsAre(ShortMessage::note_on(0, 48, 96), ShortMessage::note_off(0, 48)));
  press(kXkbC);  // the next stroke takes channel 1 again, not 2
  release(kXkbC);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 96), ShortMessage::note_off(0, 48)));
  EXPECT_EQ(midi.sounding_channels(), 0);
}

TEST_F(MainWindowTest, KeysPressedWithAltNeitherPlayNorCommand) {
  key(QEvent::KeyPress, kXkbC);
  key(QEvent::KeyPress, kXkbUp, false, Qt::Key_Up, 0, Qt::AltModifier);
  key(QEvent::KeyPress, kXkbV, false, Qt::Key_V, 0, Qt::AltModifier);
  EXPECT_EQ(controls().volume->value(), 8);
  // A release with Alt held still ends its note.
  key(QEvent::KeyRelease, kXkbC, false, Qt::Key_C, 0, Qt::AltModifier);
  key(QEvent::KeyRelease, kXkbV);
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 96), ShortMessage::note_off(0, 48)));
}

TEST_F(MainWindowTest, F1ShowsTheHelpBox) {
  QString caption, text;
  when_opened([&](QWidget* opened) {
    auto* box = qobject_cast<QMessageBox*>(opened);
    ASSERT_NE(box, nullptr);
    caption = box->windowTitle();
    text = box->text();
    box->button(QMessageBox::Ok)->click();
  });
  press(kXkbF1);
  EXPECT_EQ(caption.toStdString(), version_line);
  EXPECT_TRUE(text.startsWith("<< Outline >>"));
  EXPECT_THAT(sent(), IsEmpty());
}

// A file dropped from a file manager opens as F4 would open it; the title names
// it, beside the replay's status too. Two files at once are not taken.
TEST_F(MainWindowTest, AFileDroppedOnTheWindowOpensAndTheTitleNamesIt) {
  const auto dir = std::filesystem::temp_directory_path() / "tastarion-drop-test";
  std::filesystem::create_directories(dir);
  const auto path = dir / "song.mid";
  const char bytes[] = "MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x0B\0\x90\x3C\x40\x60\x3C\0\0\xFF\x2F";
  std::ofstream(path, std::ios::binary).write(bytes, sizeof bytes);  // with the last 00
  const auto drop = [this](const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(&window(), &enter);
    QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window(), &event);
    settle();
    return enter.isAccepted();
  };
  const QUrl url = QUrl::fromLocalFile(QString::fromStdString(path.string()));
  EXPECT_FALSE(drop({url, url}));
  EXPECT_FALSE(window().windowTitle().contains("song.mid"));
  EXPECT_TRUE(drop({url}));
  EXPECT_EQ(window().windowTitle(), MainWindow::title_for(PianoStatus::none) + "        song.mid");
  press(kXkbF3);
  settle();
  EXPECT_EQ(window().windowTitle(), MainWindow::title_for(PianoStatus::replaying) + "  song.mid");
  std::filesystem::remove_all(dir);
}

TEST_F(MainWindowTest, TheSaveDialogAsksForAMidFile) {
  QString title, suffix;
  QStringList filters, files;
  when_opened([&](QWidget* opened) {
    auto* dialog = qobject_cast<QFileDialog*>(opened);
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    filters = dialog->nameFilters();
    suffix = dialog->defaultSuffix();
    files = dialog->selectedFiles();
    dialog->reject();
  });
  EXPECT_EQ(window().ask_save_file_name(), std::nullopt);
  EXPECT_EQ(title, QString::fromUtf8("mid記録ファイル"));
  EXPECT_EQ(filters, QStringList{"MID(*.mid)"});
  EXPECT_EQ(suffix, "mid");
  ASSERT_EQ(files.size(), 1);
  EXPECT_TRUE(files.first().endsWith("/vemola.mid"));
}

TEST_F(MainWindowTest, RightClickOpensTheMenuThereAndExitEndsTheProgram) {
  const QPoint click(300, 10);  // on the header, which lies over the keyboard
  QPoint menu_at;
  QStringList items;
  when_opened([&](QWidget* opened) {
    auto* menu = qobject_cast<QMenu*>(opened);
    ASSERT_NE(menu, nullptr);
    menu_at = menu->pos();
    for (QAction* action : menu->actions()) items << action->text();
    menu->setActiveAction(menu->actions().at(1));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(menu, &enter);
  });
  QMouseEvent right(QEvent::MouseButtonPress, QPointF(click), window().mapToGlobal(QPointF(click)),
                    Qt::RightButton, Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(controls().header, &right);
  EXPECT_EQ(menu_at, window().mapToGlobal(click));
  EXPECT_EQ(items, QStringList({"Help", "Exit"}));
  EXPECT_FALSE(window().isVisible());
}

TEST_F(MainWindowTest, TheMousePlaysTheKeyboardAndGivesTheKeysBackToTheWindow) {
  auto* keyboard = window().findChild<ui::KeyboardWidget*>();
  ASSERT_NE(keyboard, nullptr);
  EXPECT_EQ(keyboard->geometry(), QRect(0, 0, 624, 126));
  controls().device->setFocus();
  // At the front edge of C2, the volume's velocity.
  QTest::mousePress(keyboard, Qt::LeftButton, {}, QPoint(83, 125));
  EXPECT_EQ(QApplication::focusWidget(), &window());
  // Slid on to D2 at its back: the softest, 30 % of it.
  QTest::mouseMove(keyboard, QPoint(107, 49));
  settle();
  EXPECT_EQ(pixel(QPoint(107, 119)), kBlack);
  QTest::mouseMove(keyboard, QPoint(107, 125));  // within the key: nothing
  QTest::mouseRelease(keyboard, Qt::LeftButton, {}, QPoint(107, 125));
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 96), ShortMessage::note_off(0, 48),
                                  ShortMessage::note_on(0, 50, 29), ShortMessage::note_off(0, 50)));

  // The header lies over the keyboard: a press there slides into the keys
  // below, halfway down the key.
  QTest::mousePress(controls().header, Qt::LeftButton, {}, QPoint(83, 10));
  QTest::mouseMove(controls().header, QPoint(83, 87));
  QTest::mouseRelease(controls().header, Qt::LeftButton, {}, QPoint(83, 87));
  EXPECT_THAT(sent(), ElementsAre(ShortMessage::note_on(0, 48, 62), ShortMessage::note_off(0, 48)));
  settle();
  EXPECT_EQ(pixel(kMark48), kWhite);
}

TEST_F(MainWindowTest, PauseClosesTheWindowAndNumLockDoesNot) {
  press(kXkbNumLock);
  release(kXkbNumLock);
  EXPECT_TRUE(window().isVisible());
  press(kXkbPause);
  EXPECT_FALSE(window().isVisible());
  EXPECT_THAT(sent(), IsEmpty());
}

TEST_F(MainWindowTest, TheEndSilencesHeldNotesStopsTheTimersAndClosesTheDevice) {
  press(kXkbC);
  press(67 + 4);  // F5: the metronome's timer starts
  ASSERT_EQ(timers.pending(), 1u);
  midi.clear();
  program.finish();
  EXPECT_THAT(midi.messages(), ElementsAre(ShortMessage::note_off(0, 48)));
  EXPECT_THAT(midi.calls, ElementsAre("close 0"));
  EXPECT_EQ(timers.pending(), 0u);
}

TEST(MainWindowStart, TheWindowShowsFirstThenTheDeviceFailureWithItsReasons) {
  FakeMidi midi({"Broken synth"});
  midi.failing_device = 0;
  midi.failure_text = "Broken synth: no sound server answered.";
  FakeTimerService timers;
  FakeClock clock;
  Program program(midi, timers, clock, [](auto) {});
  QString text;
  bool window_visible = false;
  when_opened([&](QWidget* opened) {
    auto* box = qobject_cast<QMessageBox*>(opened);
    ASSERT_NE(box, nullptr);
    text = box->text();
    window_visible = program.window().isVisible();
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_TRUE(program.start());
  EXPECT_TRUE(program.window().isVisible());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !text.isEmpty(); }));
  EXPECT_EQ(text.toStdString(),
            "Fail to open Midi out driver.\nBroken synth: no sound server answered.\n" +
                std::string(kOpenFailureHelp));
  EXPECT_TRUE(window_visible);
  EXPECT_EQ(StripControls(program.window()).device->currentIndex(), -1);  // none plays
  program.finish();
}

}  // namespace
}  // namespace tastarion::testing
