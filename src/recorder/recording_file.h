#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tastarion {

inline constexpr const char* kDefaultFileName = "vemola.mid";

// Where a recording went, and the errno of the step that failed (0: saved).
struct SavedFile {
  std::string path;
  int error = 0;
  bool default_name = false;
  // Empty when saved; else a sentence naming the file and the reason.
  std::string failure_reason() const;
};

// Writes the recording's bytes whole or not at all (a temporary file beside
// the target, then a rename) to the chosen path, replacing a file there; with
// no choice (the dialog was cancelled), to the first free default name of the
// current directory, never replacing anything.
SavedFile save_recording(std::span<const uint8_t> bytes, const std::optional<std::string>& chosen);

// "vemola.mid" when free in `directory`, else the first free "vemola-N.mid", N >= 2.
std::string first_free_default_name(const std::string& directory);

}  // namespace tastarion
