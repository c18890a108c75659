#include "engine/player_text.h"

namespace tastarion {

PlayerText& PlayerText::add(MarkedText form, std::vector<std::string> values) {
  pieces_.push_back({form.context, form.english, std::move(values)});
  return *this;
}

PlayerText& PlayerText::add_as_is(std::string text) {
  pieces_.push_back({nullptr, std::move(text), {}});
  return *this;
}

PlayerText& PlayerText::add(const PlayerText& more) {
  pieces_.insert(pieces_.end(), more.pieces_.begin(), more.pieces_.end());
  return *this;
}

std::string PlayerText::in(const TextLookup& lookup) const {
  std::string text;
  for (const Piece& piece : pieces_) {
    if (piece.context == nullptr) {
      text += piece.text;
      continue;
    }
    text += fill_in(lookup ? lookup(piece.context, piece.text) : piece.text, piece.values);
  }
  return text;
}

std::string fill_in(std::string_view form, const std::vector<std::string>& values) {
  std::string text;
  text.reserve(form.size());
  for (std::size_t i = 0; i < form.size(); ++i) {
    if (form[i] == '%' && i + 1 < form.size() && form[i + 1] >= '1' && form[i + 1] <= '9') {
      const auto index = std::size_t(form[i + 1] - '1');
      if (index < values.size()) {
        text += values[index];
        ++i;
        continue;
      }
    }
    text += form[i];
  }
  return text;
}

}  // namespace tastarion
