#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/piano.h"

namespace tastarion {

inline constexpr const char* kDefaultFileName = "vemola.mid";

// The second F2: closes the track, asks for a name and writes the file.
void stop_recording(Piano& piano);

// Writes `bytes` to `path` whole or not at all (a temporary file beside it,
// then a rename). Returns the reason on failure.
std::optional<std::string> write_file_atomically(const std::string& path,
                                                 std::span<const uint8_t> bytes);
// "vemola.mid" when free in `directory`, else the first free "vemola-N.mid", N >= 2.
std::string first_free_default_name(const std::string& directory);

}  // namespace tastarion
