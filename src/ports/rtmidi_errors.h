#pragma once

#include <rtmidi/RtMidi.h>

#include <string>

namespace tastarion {

// What RtMidi said went wrong with one of its clients, kept as a value with
// RtMidi's own words: the errors its callback reports and the RtMidiError it
// throws before a callback can be set (from its constructor) both end here.
class RtMidiErrors {
 public:
  // For RtMidi's setErrorCallback, with this object as the user data. Warnings
  // are left out; the first error since clear() is kept.
  static void callback(RtMidiError::Type type, const std::string& text, void* errors);

  // Runs `call`, keeping an RtMidiError it throws as a reported one; false when
  // an error is kept (from this call or an earlier one since clear()).
  template <typename Call>
  bool attempt(Call&& call) {
    try {
      call();
    } catch (const RtMidiError& error) {
      keep(error.getType(), error.getMessage());
    }
    return !failed_;
  }

  void clear();
  bool failed() const { return failed_; }
  // `why`, followed by RtMidi's words in brackets when it said any.
  std::string reason(const std::string& why) const;

 private:
  void keep(RtMidiError::Type type, const std::string& text);

  bool failed_ = false;
  std::string text_;
};

}  // namespace tastarion
