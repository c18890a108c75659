#include "ports/rtmidi_errors.h"

namespace tastarion {

void RtMidiErrors::callback(RtMidiError::Type type, const std::string& text, void* errors) {
  static_cast<RtMidiErrors*>(errors)->keep(type, text);
}

void RtMidiErrors::keep(RtMidiError::Type type, const std::string& text) {
  if (type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING || failed_) return;
  failed_ = true;
  text_ = text;
}

void RtMidiErrors::clear() {
  failed_ = false;
  text_.clear();
}

std::string RtMidiErrors::reason(const std::string& why) const {
  return text_.empty() ? why : why + " (" + text_ + ")";
}

}  // namespace tastarion
