#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <QTranslator>
#include <memory>

#include "app/main_window.h"
#include "app/player_language.h"
#include "app/program.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_midi.h"
#include "fakes/fake_timer_service.h"
#include "instrument/help_text.h"
#include "instrument/piano.h"
#include "qt/strip_controls.h"
#include "recorder/recording_file.h"

#ifndef TASTARION_TRANSLATIONS_DIR
#error "TASTARION_TRANSLATIONS_DIR names the build's .qm files"
#endif

namespace tastarion::testing {
namespace {

// The lines of `text`, as laid out in `font`, where the font and its fallbacks
// miss a character: Qt draws it as an empty box (glyph 0).
QString lines_with_empty_boxes(const QString& text, const QFont& font) {
  QString missed;
  for (const QString& line : text.split('\n')) {
    QTextLayout layout(line, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns()) {
      if (run.glyphIndexes().contains(0)) {
        missed += line + '\n';
        break;
      }
    }
  }
  return missed;
}

// The first modal box to open: its text and its buttons' texts, then closed.
struct OpenedBox {
  QString title, text;
  QStringList buttons;
  QFont font;
};
void read_next_box(OpenedBox& seen) {
  QTimer::singleShot(50, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    seen.title = box->windowTitle();
    seen.text = box->text();
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
      seen.font = label->font();
    }
    for (QAbstractButton* button : box->buttons()) seen.buttons << button->text();
    box->buttons().last()->click();
  });
}

// The window as the player of a language meets it: its translation installed
// before the window is made, as the program does.
class TranslatedWindowTest : public ::testing::Test {
 protected:
  void start_in(const QString& language) {
    ASSERT_TRUE(translator.load(QStringLiteral("tastarion_") + language,
                                QStringLiteral(TASTARION_TRANSLATIONS_DIR)));
    QCoreApplication::installTranslator(&translator);
    program = std::make_unique<Program>(midi, timers, clock, [](auto) {});
    ASSERT_TRUE(program->start());
    ASSERT_TRUE(QTest::qWaitFor([this] { return program->device_started(); }));
  }
  ~TranslatedWindowTest() override {
    program.reset();
    QCoreApplication::removeTranslator(&translator);
  }
  MainWindow& window() { return program->window(); }

  QTranslator translator;
  FakeMidi midi{{"Fake synth"}};
  FakeTimerService timers;
  FakeClock clock;
  std::unique_ptr<Program> program;
};

TEST_F(TranslatedWindowTest, JapaneseDrawsEveryCharacterOfTheWindowAndTheHelp) {
  start_in(QStringLiteral("ja"));
  const StripControls controls(window());
  const QString header = controls.header->text();
  EXPECT_TRUE(header.contains(QString::fromUtf8("音量"))) << header.toStdString();

  // What the screen shows: the strip's captions over the picture, with ink
  // where the captions are.
  const QImage shot = window().grab().toImage();
  shot.save(QStringLiteral("japanese_window.png"));
  int dark = 0;
  for (int x = 0; x < 624; ++x) {
    for (int y = 2; y < 18; ++y) dark += qGray(shot.pixel(x, y)) < 100 ? 1 : 0;
  }
  EXPECT_GT(dark, 150);
  EXPECT_EQ(lines_with_empty_boxes(header, controls.header->font()).toStdString(), "");

  // The tips, the menu and the title words are drawn in the application's font.
  const QFont font = QApplication::font();
  for (QWidget* control : std::initializer_list<QWidget*>{
           controls.volume, controls.pitch, controls.mm, controls.transpose, controls.instrument,
           controls.device, &window()}) {
    EXPECT_EQ(lines_with_empty_boxes(control->toolTip(), font).toStdString(), "")
        << control->toolTip().toStdString();
  }
  // The instruments' names in the list, as the drop-down draws them.
  EXPECT_EQ(controls.instrument->itemText(1), QString::fromUtf8("6 ハープシコード"));
  for (int row = 0; row < controls.instrument->count(); ++row) {
    EXPECT_EQ(
        lines_with_empty_boxes(controls.instrument->itemText(row), controls.instrument->font())
            .toStdString(),
        "");
  }
  for (PianoStatus status :
       {PianoStatus::recording, PianoStatus::recording_full, PianoStatus::replaying}) {
    EXPECT_EQ(lines_with_empty_boxes(MainWindow::title_for(status), font).toStdString(), "");
  }

  OpenedBox help;
  read_next_box(help);
  program->piano().show_help();
  EXPECT_TRUE(help.text.startsWith(QString::fromUtf8("<< 概要 >>"))) << help.text.toStdString();
  EXPECT_EQ(lines_with_empty_boxes(help.text, help.font).toStdString(), "");
}

TEST_F(TranslatedWindowTest, GermanReachesTheCoresMessagesTheTitleAndTheBoxes) {
  start_in(QStringLiteral("de"));
  EXPECT_EQ(MainWindow::title_for(PianoStatus::recording).toStdString(),
            std::string(version_line) + "        [Aufnahme...]");
  EXPECT_EQ(StripControls(window()).volume->toolTip(), "Lautstärke (Pfeiltasten Auf/Ab)");

  OpenedBox help;
  read_next_box(help);
  program->piano().show_help();
  EXPECT_TRUE(help.text.startsWith(QString::fromUtf8("<< Überblick >>")));
  EXPECT_TRUE(help.text.contains(QString::fromUtf8("<< Weitere Tasten >>")));

  // A message made of the core's sentence, a device's name and the system's
  // own words: the sentence is German, the names stay as they are.
  OpenedBox failure;
  read_next_box(failure);
  window().show_message(PlayerText(kOpenFailure).add_as_is("\nFake synth refused.\n"));
  EXPECT_EQ(failure.text.toStdString(),
            "Der MIDI-Ausgabetreiber ließ sich nicht öffnen.\nFake synth refused.\n");

  OpenedBox save;
  read_next_box(save);
  SavedFile saved{.path = "/tmp/take.mid", .failure = SaveFailure::read_only, .error = {}};
  EXPECT_FALSE(window().ask_save_elsewhere(saved.failure_text()));
  EXPECT_THAT(save.text.toStdString(), ::testing::StartsWith("Die Aufnahme ließ sich nicht unter "
                                                             "„/tmp/take.mid“ speichern"));
  EXPECT_THAT(save.buttons,
              ::testing::UnorderedElementsAre("Anderswo speichern...", "Nicht speichern"));
}

// The locale as the environment gives it, for one test.
class Locale {
 public:
  Locale(const char* lang, const char* language) {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"}) {
      saved_.emplace_back(name, qgetenv(name));
      qunsetenv(name);
    }
    qputenv("LANG", lang);
    qputenv("LANGUAGE", language);
  }
  ~Locale() {
    for (const auto& [name, value] : saved_) {
      if (value.isNull()) {
        qunsetenv(name);
      } else {
        qputenv(name, value);
      }
    }
  }

 private:
  std::vector<std::pair<const char*, QByteArray>> saved_;
};

TEST(PlayerLanguageTest, TheLocaleChoosesTheProgramsAndQtsTranslations) {
  const QStringList folders = {QStringLiteral("/nonexistent"),
                               QStringLiteral(TASTARION_TRANSLATIONS_DIR)};
  {
    const Locale spanish("es_ES.UTF-8", "");
    PlayerLanguage language(folders);
    ASSERT_TRUE(language.translated());
    EXPECT_EQ(language.lookup("Piano", "%1 went away."), "%1 ha desaparecido.");
    EXPECT_EQ(language.lookup("Piano", "not a marked text"), "not a marked text");
    // Qt's own buttons follow, once installed.
    language.install();
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancelar");
    EXPECT_EQ(in_player_language(PlayerText(kOpenFailure)).toStdString(),
              "No se pudo abrir el controlador de salida MIDI.");
  }
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
  // The C locale is English whatever LANGUAGE lists, and so is a language
  // without a translation.
  for (auto [lang, language_list] : {std::pair{"C.UTF-8", "de:fr"}, std::pair{"POSIX", "ja"},
                                     std::pair{"en_US.UTF-8", ""}, std::pair{"it_IT.UTF-8", ""}}) {
    const Locale locale(lang, language_list);
    EXPECT_FALSE(PlayerLanguage(folders).translated()) << lang;
  }
}

}  // namespace
}  // namespace tastarion::testing
