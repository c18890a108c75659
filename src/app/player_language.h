#pragma once

#include <QString>
#include <QTranslator>
#include <string>

#include "engine/player_text.h"

namespace tastarion {

// The program's translation for the player's language, and Qt's own for its
// dialogs and buttons. The language is the system's (LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG); the C and POSIX locales, and any language without a
// translation, keep the English texts.
class PlayerLanguage {
 public:
  // Reads the translations from the first of `folders` that has the
  // language's. Needs no QCoreApplication, so that the command line is answered
  // in the player's language before Qt starts.
  explicit PlayerLanguage(const QStringList& folders = program_folders());
  PlayerLanguage(const PlayerLanguage&) = delete;
  PlayerLanguage& operator=(const PlayerLanguage&) = delete;

  // Beside the program in the build folder, and under share/ next to its bin/
  // once installed, wherever the prefix (or a package unpacked elsewhere) is.
  static QStringList program_folders();

  // Once the application exists: tr() and Qt's own texts use them from then on.
  void install();
  // False when the texts stay English.
  bool translated() const { return own_loaded_; }
  // A marked English text in the player's language; itself without a translation.
  std::string lookup(const char* context, const std::string& english) const;

 private:
  QTranslator own_;
  QTranslator qt_;
  bool own_loaded_ = false;
  bool qt_loaded_ = false;
};

// A text of the core in the player's language, through the installed translations.
QString in_player_language(const PlayerText& text);

}  // namespace tastarion
