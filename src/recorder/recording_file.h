#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "engine/player_text.h"

namespace tastarion {

inline constexpr const char* kDefaultFileName = "vemola.mid";

// At time 0 of the track: a set-tempo meta event of 512,000 µs per quarter
// note, so that at 512 ticks per quarter note a tick lasts the millisecond it
// was recorded as, in every player, and not the 976.5625 µs of the default tempo.
inline constexpr std::array<uint8_t, 7> kMillisecondTempo = {0x00, 0xFF, 0x51, 0x03,
                                                             0x07, 0xD0, 0x00};

// The file of a closed recording: the buffer's image (header, track header,
// records) with the tempo event put before the first record and counted in the
// track length. Empty for an empty image.
std::vector<uint8_t> midi_file_bytes(std::span<const uint8_t> image);

// Which step of a save failed.
enum class SaveFailure {
  none,
  cannot_follow_link,  // a symbolic link on the way could not be read, or loops
  cannot_look_at,      // the existing file could not be looked at
  not_regular_file,    // a directory, a device, a pipe, ...
  read_only,           // an existing file without write permission, left as it is
  cannot_create,       // no file could be created beside the target
  cannot_write,        // writing, flushing or closing the new file failed
  cannot_put_in_place  // the rename (or link) to the target name failed
};

// Where a recording went; when it failed, the step and the system's error
// (none for a special file other than a directory).
struct SavedFile {
  std::string path;
  SaveFailure failure = SaveFailure::none;
  std::error_code error;
  bool default_name = false;
  bool saved() const { return failure == SaveFailure::none; }
  // Empty when saved; else a sentence naming the file and the reason.
  PlayerText failure_text() const;
};

// Writes the recording's bytes whole or not at all (a temporary file beside
// the target, then a rename) to the chosen path, replacing a file there; with
// no choice (the dialog was cancelled), to the first free default name of the
// current directory, never replacing anything.
SavedFile save_recording(std::span<const uint8_t> bytes, const std::optional<std::string>& chosen);

// "vemola.mid" when free in `directory`, else the first free "vemola-N.mid", N >= 2.
std::string first_free_default_name(const std::string& directory);

}  // namespace tastarion
