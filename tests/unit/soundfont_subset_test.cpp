#include "synth/soundfont_subset.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace tastarion {
namespace {

using Bytes = std::vector<uint8_t>;

// A small SoundFont of four presets, each with one zone of two generators:
// Piano (bank 0, program 0), Organ (0, 19), Harpsichord (0, 6), Standard (128, 0).
Bytes four_presets() {
  std::ifstream in(TASTARION_SOUNDFONT_SEED, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

ReadAt reader_of(const Bytes& file) {
  return [&file](uint64_t offset, uint8_t* out, size_t length) {
    if (offset > file.size() || length > file.size() - offset) return false;
    std::memcpy(out, file.data() + offset, length);
    return true;
  };
}

uint32_t u32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t u16(const Bytes& b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

// The file's chunks by name ("INFO", "sdta" for the lists; "phdr" and the
// others of "pdta"), each with its offset in the file and its bytes.
std::map<std::string, std::pair<size_t, Bytes>> chunks_of(const Bytes& file) {
  std::map<std::string, std::pair<size_t, Bytes>> chunks;
  for (size_t at = 12; at + 12 <= file.size(); at += 8 + u32(file, at + 4)) {
    const std::string kind(file.begin() + at + 8, file.begin() + at + 12);
    const size_t end = at + 8 + u32(file, at + 4);
    if (kind != "pdta") {
      chunks[kind] = {at, Bytes(file.begin() + at, file.begin() + end)};
      continue;
    }
    for (size_t sub = at + 12; sub + 8 <= end; sub += 8 + u32(file, sub + 4)) {
      const size_t sub_end = sub + 8 + u32(file, sub + 4);
      chunks[std::string(file.begin() + sub, file.begin() + sub + 4)] = {
          sub, Bytes(file.begin() + sub + 8, file.begin() + sub_end)};
    }
  }
  return chunks;
}

// Each preset as (name, bank, program) with the generators of its zones.
std::vector<std::tuple<std::string, int, int, Bytes>> presets_of(const Bytes& file) {
  auto chunks = chunks_of(file);
  const Bytes& headers = chunks["phdr"].second;
  const Bytes& bags = chunks["pbag"].second;
  const Bytes& generators = chunks["pgen"].second;
  std::vector<std::tuple<std::string, int, int, Bytes>> presets;
  for (size_t at = 0; at + 2 * 38 <= headers.size(); at += 38) {
    const size_t first_generator = u16(bags, 4 * u16(headers, at + 24));
    const size_t end_generator = u16(bags, 4 * u16(headers, at + 38 + 24));
    presets.emplace_back(
        reinterpret_cast<const char*>(headers.data() + at), u16(headers, at + 22),
        u16(headers, at + 20),
        Bytes(generators.begin() + 4 * first_generator, generators.begin() + 4 * end_generator));
  }
  return presets;
}

TEST(SoundFontSubset, KeepsThePresetsOfTheProgramsInEveryBankAndAllElseWhereItWas) {
  const Bytes file = four_presets();
  ASSERT_FALSE(file.empty()) << TASTARION_SOUNDFONT_SEED;
  const auto subset = SoundFontSubset::cut(reader_of(file), file.size(), {0, 6});
  ASSERT_TRUE(subset);
  Bytes cut(subset->size());
  ASSERT_TRUE(subset->read(reader_of(file), 0, cut.data(), cut.size()));
  EXPECT_EQ(u32(cut, 4), cut.size() - 8);

  auto kept = presets_of(file);
  std::erase_if(kept, [](const auto& preset) { return std::get<2>(preset) == 19; });
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(presets_of(cut), kept);
  EXPECT_EQ(subset->presets(), 3);

  // Samples, instruments and the rest keep their bytes and their places.
  auto before = chunks_of(file), after = chunks_of(cut);
  for (const char* id : {"INFO", "sdta"}) EXPECT_EQ(after[id], before[id]) << id;
  for (const char* id : {"inst", "ibag", "imod", "igen", "shdr"}) {
    EXPECT_EQ(after[id].second, before[id].second) << id;
  }
}

TEST(SoundFontSubset, LeavesToTheSynthWhatItCannotCut) {
  const Bytes file = four_presets();
  const auto cut = [](const Bytes& bytes, std::vector<int> programs = {0}) {
    return SoundFontSubset::cut(reader_of(bytes), bytes.size(), programs);
  };
  EXPECT_FALSE(cut(file, {42})) << "no preset plays it";
  EXPECT_FALSE(cut(Bytes(file.begin(), file.end() - 1))) << "cut short";
  Bytes longer = file;
  longer.push_back(0);
  EXPECT_FALSE(cut(longer)) << "more than the RIFF chunk holds";
  Bytes unordered = file;
  auto chunks = chunks_of(file);
  unordered[chunks["pbag"].first + 8 + 4] = 0xFF;  // the second zone starts past the end
  EXPECT_FALSE(cut(unordered));

  const auto subset = cut(file);
  ASSERT_TRUE(subset);
  uint8_t byte = 0;
  EXPECT_TRUE(subset->read(reader_of(file), subset->size() - 1, &byte, 1));
  EXPECT_FALSE(subset->read(reader_of(file), subset->size(), &byte, 1));
}

}  // namespace
}  // namespace tastarion
