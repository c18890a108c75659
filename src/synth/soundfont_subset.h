#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace tastarion {

// A stretch of a file.
struct ByteRange {
  uint64_t offset = 0;
  uint64_t length = 0;
};

// Reads `length` bytes at `offset` of a file into `out`; false when it cannot.
using ReadAt = std::function<bool(uint64_t offset, uint8_t* out, size_t length)>;

// A SoundFont 2 file as a synthesizer should see it when only some programs are
// ever played: the same file, with its list of presets cut down to those
// programs (in every bank). FluidSynth builds its tables for every preset of a
// file when it loads it, played or not; for a large General MIDI SoundFont they
// take about 10 MB. The samples, instruments and everything else keep their
// bytes and their offsets within their chunks; all but the sample data is
// copied in when the cut is made, so that only samples are read later.
class SoundFontSubset {
 public:
  // Nothing when the file is not a well-formed SoundFont of the usual layout
  // (its reader then judges the whole file itself) or none of its presets
  // plays one of `programs`.
  static std::optional<SoundFontSubset> cut(const ReadAt& file, uint64_t file_size,
                                            const std::vector<int>& programs);

  // The whole file of `file_size` bytes, as it is: nothing cut.
  static SoundFontSubset whole(uint64_t file_size);

  uint64_t size() const { return size_; }
  // The presets kept, or 0 for a whole file.
  int presets() const { return presets_; }
  // Reads the cut file: its bytes come from `file` (the one given to cut())
  // or from the new preset list. False past the end or when `file` fails.
  bool read(const ReadAt& file, uint64_t offset, uint8_t* out, size_t length) const;
  // Where in the real file the sample data of `program`'s presets (every bank)
  // lies, sorted and merged; empty for a whole file.
  const std::vector<ByteRange>& samples_of(int program) const;

 private:
  // A stretch of the cut file: from the real file at `file_offset`, or `bytes`.
  struct Piece {
    uint64_t length = 0;
    uint64_t file_offset = 0;
    std::vector<uint8_t> bytes;
  };
  void append_from_file(uint64_t file_offset, uint64_t length);
  void append_bytes(std::vector<uint8_t> bytes);
  // The file's bytes copied in; false when they cannot be read or are too many.
  bool append_copy(const ReadAt& file, uint64_t file_offset, uint64_t length);

  std::vector<Piece> pieces_;
  std::vector<std::pair<int, std::vector<ByteRange>>> samples_;
  uint64_t size_ = 0;
  int presets_ = 0;
};

}  // namespace tastarion
