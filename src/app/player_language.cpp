#include "app/player_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace tastarion {
namespace {

// As gettext reads them: the first of LC_ALL, LC_MESSAGES and LANG that is set
// decides; C and POSIX mean the program's own English, whatever LANGUAGE says.
bool english_by_choice() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    const std::string_view locale = value;
    return locale == "C" || locale == "POSIX" || locale.starts_with("C.");
  }
  return true;
}

}  // namespace

QStringList PlayerLanguage::program_folders() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  const std::filesystem::path folder = program.parent_path();
  return {
      QString::fromStdString((folder / "translations").string()),
      QString::fromStdString((folder / ".." / "share" / "tastarion" / "translations").string())};
}

PlayerLanguage::PlayerLanguage(const QStringList& folders) {
  if (english_by_choice()) return;
  const QLocale locale = QLocale::system();
  for (const QString& folder : folders) {
    own_loaded_ = own_.load(locale, QStringLiteral("tastarion"), QStringLiteral("_"), folder);
    if (own_loaded_) break;
  }
  // Without a translation of its own the program stays English, and so do Qt's buttons.
  if (!own_loaded_) return;
  qt_loaded_ = qt_.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

void PlayerLanguage::install() {
  if (qt_loaded_) QCoreApplication::installTranslator(&qt_);
  if (own_loaded_) QCoreApplication::installTranslator(&own_);
}

std::string PlayerLanguage::lookup(const char* context, const std::string& english) const {
  if (!own_loaded_) return english;
  const QString translation = own_.translate(context, english.c_str());
  return translation.isEmpty() ? english : translation.toStdString();
}

QString in_player_language(const PlayerText& text) {
  return QString::fromStdString(text.in([](const char* context, const std::string& english) {
    return QCoreApplication::translate(context, english.c_str()).toStdString();
  }));
}

}  // namespace tastarion
