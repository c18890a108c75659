#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Marks an English text that the player reads, with the context it is
// translated in. The core keeps the English; the translators' tool reads the
// mark as it reads Qt's QT_TRANSLATE_NOOP, and the window looks the text up in
// the player's language by both strings.
#define PLAYER_TEXT(context, english) (::tastarion::MarkedText{context, english})

// Marks a name the player reads that stays a plain string (an entry of a table
// of names): the window looks it up in `context` itself.
#define PLAYER_NAME(context, english) english

namespace tastarion {

struct MarkedText {
  const char* context;
  const char* english;
};

// Looks up an English text marked with PLAYER_TEXT in the player's language;
// the English itself where it has no translation.
using TextLookup = std::function<std::string(const char* context, const std::string& english)>;

// A text for the player in pieces: texts marked with PLAYER_TEXT, whose %1, %2,
// ... the values fill (a file name, a device's name), and words of the system's
// own (a library's reason, the system's error) shown as they are.
class PlayerText {
 public:
  PlayerText() = default;
  explicit PlayerText(MarkedText form, std::vector<std::string> values = {}) {
    add(form, std::move(values));
  }

  PlayerText& add(MarkedText form, std::vector<std::string> values = {});
  PlayerText& add_as_is(std::string text);
  PlayerText& add(const PlayerText& more);

  bool empty() const { return pieces_.empty(); }
  // In the language `lookup` gives; in English without one.
  std::string in(const TextLookup& lookup) const;
  // As standard error shows it, and as the core's tests read it.
  std::string english() const { return in(nullptr); }

 private:
  struct Piece {
    const char* context = nullptr;  // none: `text` is shown as it is
    std::string text;
    std::vector<std::string> values;
  };
  std::vector<Piece> pieces_;
};

// `form` with %1 to %9 replaced by the values, in one pass, so that a value's
// own percent signs stay as they are; a %n without its value stays too.
std::string fill_in(std::string_view form, const std::vector<std::string>& values);

}  // namespace tastarion
