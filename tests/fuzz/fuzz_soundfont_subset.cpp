// A SoundFont file from anywhere, cut down to two programs: the cut never reads
// outside the file, every byte of the cut file can be read, and cutting the cut
// file again gives it back unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "synth/soundfont_subset.h"

namespace {

tastarion::ReadAt reader_of(const uint8_t* data, size_t size) {
  return [data, size](uint64_t offset, uint8_t* out, size_t length) {
    if (offset > size || length > size - offset) return false;
    std::memcpy(out, data + offset, length);
    return true;
  };
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tastarion::SoundFontSubset;
  const std::vector<int> programs = {0, 6};
  const auto file = reader_of(data, size);
  const auto cut = SoundFontSubset::cut(file, size, programs);
  if (!cut) return 0;
  if (cut->presets() < 1 || cut->size() > size) std::abort();
  std::vector<uint8_t> bytes(cut->size());
  if (!cut->read(file, 0, bytes.data(), bytes.size())) std::abort();
  uint8_t past_end = 0;
  if (cut->read(file, cut->size(), &past_end, 1)) std::abort();
  const auto again =
      SoundFontSubset::cut(reader_of(bytes.data(), bytes.size()), bytes.size(), programs);
  if (!again || again->size() != bytes.size() || again->presets() != cut->presets()) std::abort();
  std::vector<uint8_t> twice(again->size());
  if (!again->read(reader_of(bytes.data(), bytes.size()), 0, twice.data(), twice.size()) ||
      twice != bytes) {
    std::abort();
  }
  return 0;
}
