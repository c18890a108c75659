#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/result.h"
#include "recorder/midi_file_reader.h"

namespace tastarion {

// The audio files a song renders into, told by the name's extension.
enum class AudioFileType { wav, flac, ogg };
std::optional<AudioFileType> audio_file_type_of(const std::string& path);

// After the song's end, notes still held are let go and the sound dies away
// for at most this long.
inline constexpr double kMaxReleaseTailSeconds = 10.0;

// Renders `song` into an audio file through FluidSynth's file renderer, with
// device 0's synthesizer: the first SoundFont of `soundfonts` that loads, all
// its presets, device 0's settled gain, 48 kHz stereo. No sound server is
// involved. The file is written beside `path` and put in place only once
// whole; an existing file is replaced only then. `progress`, given the part
// done (0..1) now and then, returns false to cancel; a cancelled or failed
// rendering leaves nothing behind. The reason names what failed.
struct AudioRendering {
  Result result = Result::success();
  double seconds = 0;  // of audio written
  bool cancelled = false;
};
AudioRendering render_song_to_file(const MidiSong& song, const std::string& path,
                                   const std::vector<std::string>& soundfonts,
                                   const std::function<bool(double)>& progress = {});

// `tastarion --render IN OUT`: reads IN, renders it to OUT with the usual
// SoundFonts, and tells what went wrong on `err`. The exit code: 0, 1 when the
// file or the rendering failed, 2 for an output name of no known type.
int render_command(const std::string& in, const std::string& out, std::FILE* err);

}  // namespace tastarion
