#include "synth/soundfont_subset.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace tastarion {

namespace {

// Record sizes of the preset chunks.
constexpr uint32_t kPresetHeaderSize = 38;
constexpr uint32_t kBagSize = 4;
constexpr uint32_t kModulatorSize = 10;
constexpr uint32_t kGeneratorSize = 4;
// Where a preset header keeps its program, bank and first bag.
constexpr size_t kProgramAt = 20;
constexpr size_t kBagIndexAt = 24;
// The instruments' and samples' records, and the generators that name them.
constexpr uint32_t kInstrumentHeaderSize = 22;
constexpr uint32_t kSampleHeaderSize = 46;
constexpr uint16_t kInstrumentGenerator = 41;
constexpr uint16_t kSampleGenerator = 53;
// SoundFont 3: a sample of compressed bytes, its start and end counting bytes.
constexpr uint16_t kCompressedSample = 0x10;
constexpr uint64_t kSamplePadding = 46;
// The preset chunks are read into memory; real ones are a few tens of kB.
constexpr uint64_t kPresetChunksLimit = 16u << 20;

uint16_t u16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t u32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void put16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

void append32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void append_id(std::vector<uint8_t>& out, std::string_view id) {
  out.insert(out.end(), id.begin(), id.end());
}

struct Chunk {
  uint64_t offset = 0;  // of its header
  uint32_t size = 0;
  std::array<char, 4> id{};
  // For a RIFF or a LIST, the kind of its contents.
  std::array<char, 4> kind{};

  bool is(std::string_view want) const { return std::string_view(id.data(), 4) == want; }
  bool is_list(std::string_view want) const {
    return is("LIST") && std::string_view(kind.data(), 4) == want;
  }
  uint64_t data() const { return offset + 8; }
  // Chunks follow one another without RIFF's pad byte after an odd size, as
  // FluidSynth reads them (and as some SoundFonts are written).
  uint64_t end() const { return offset + 8 + size; }
};

// The chunk whose header is at `offset`, if it lies whole before `end`.
std::optional<Chunk> chunk_at(const ReadAt& file, uint64_t offset, uint64_t end) {
  uint8_t header[12];
  if (offset > end || end - offset < 8 || !file(offset, header, 8)) return std::nullopt;
  Chunk chunk;
  chunk.offset = offset;
  chunk.size = u32(header + 4);
  std::memcpy(chunk.id.data(), header, 4);
  if (chunk.size > end - offset - 8) return std::nullopt;
  if (chunk.is("RIFF") || chunk.is("LIST")) {
    if (chunk.size < 4 || !file(offset + 8, header + 8, 4)) return std::nullopt;
    std::memcpy(chunk.kind.data(), header + 8, 4);
  }
  return chunk;
}

// The list of presets: headers, their zones (bags) and the zones' generators
// and modulators, each chunk's bytes whole.
struct PresetChunks {
  std::vector<uint8_t> headers, bags, modulators, generators;

  size_t preset_count() const { return headers.size() / kPresetHeaderSize - 1; }
  const uint8_t* header(size_t i) const { return headers.data() + i * kPresetHeaderSize; }
  uint16_t first_bag(size_t preset) const { return u16(header(preset) + kBagIndexAt); }
  uint16_t generator_index(size_t bag) const { return u16(bags.data() + bag * kBagSize); }
  uint16_t modulator_index(size_t bag) const { return u16(bags.data() + bag * kBagSize + 2); }
  size_t bag_count() const { return bags.size() / kBagSize; }

  // Whole records, each with its terminal one, and every index within bounds.
  bool well_formed() const {
    if (headers.size() % kPresetHeaderSize != 0 || headers.size() < 2 * kPresetHeaderSize ||
        bags.size() % kBagSize != 0 || bags.empty() || modulators.size() % kModulatorSize != 0 ||
        modulators.empty() || generators.size() % kGeneratorSize != 0 || generators.empty()) {
      return false;
    }
    const size_t generator_count = generators.size() / kGeneratorSize;
    const size_t modulator_count = modulators.size() / kModulatorSize;
    for (size_t preset = 0; preset < preset_count(); ++preset) {
      if (first_bag(preset) > first_bag(preset + 1)) return false;
    }
    if (first_bag(preset_count()) >= bag_count()) return false;
    for (size_t bag = 0; bag + 1 < bag_count(); ++bag) {
      if (generator_index(bag) > generator_index(bag + 1) ||
          modulator_index(bag) > modulator_index(bag + 1)) {
        return false;
      }
    }
    return generator_index(bag_count() - 1) < generator_count &&
           modulator_index(bag_count() - 1) < modulator_count;
  }
};

bool read_whole(const ReadAt& file, const Chunk& chunk, std::vector<uint8_t>& out) {
  out.resize(chunk.size);
  return chunk.size == 0 || file(chunk.data(), out.data(), chunk.size);
}

void append_chunk(std::vector<uint8_t>& out, std::string_view id,
                  const std::vector<uint8_t>& bytes) {
  append_id(out, id);
  append32(out, static_cast<uint32_t>(bytes.size()));
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// The presets that play one of `programs`, renumbered, each with its own zones
// copied in order; the terminal records close each list as in the file.
PresetChunks keep_programs(const PresetChunks& from, const std::vector<int>& programs) {
  PresetChunks to;
  auto copy_records = [](const std::vector<uint8_t>& source, size_t first, size_t last,
                         uint32_t record, std::vector<uint8_t>& out) {
    out.insert(out.end(), source.begin() + first * record, source.begin() + last * record);
  };
  auto close_bag = [&to] {
    const size_t bag = to.bags.size();
    to.bags.resize(bag + kBagSize);
    put16(to.bags.data() + bag, static_cast<uint16_t>(to.generators.size() / kGeneratorSize));
    put16(to.bags.data() + bag + 2, static_cast<uint16_t>(to.modulators.size() / kModulatorSize));
  };
  auto copy_header = [&](size_t preset) {
    const size_t at = to.headers.size();
    copy_records(from.headers, preset, preset + 1, kPresetHeaderSize, to.headers);
    put16(to.headers.data() + at + kBagIndexAt, static_cast<uint16_t>(to.bags.size() / kBagSize));
  };
  for (size_t preset = 0; preset < from.preset_count(); ++preset) {
    const int program = u16(from.header(preset) + kProgramAt);
    if (std::find(programs.begin(), programs.end(), program) == programs.end()) continue;
    copy_header(preset);
    for (size_t bag = from.first_bag(preset); bag < from.first_bag(preset + 1); ++bag) {
      close_bag();
      copy_records(from.generators, from.generator_index(bag), from.generator_index(bag + 1),
                   kGeneratorSize, to.generators);
      copy_records(from.modulators, from.modulator_index(bag), from.modulator_index(bag + 1),
                   kModulatorSize, to.modulators);
    }
  }
  copy_header(from.preset_count());
  close_bag();
  const size_t last_generator = from.generators.size() / kGeneratorSize - 1;
  const size_t last_modulator = from.modulators.size() / kModulatorSize - 1;
  copy_records(from.generators, last_generator, last_generator + 1, kGeneratorSize, to.generators);
  copy_records(from.modulators, last_modulator, last_modulator + 1, kModulatorSize, to.modulators);
  return to;
}

// The instruments' zones and the sample headers, each chunk's bytes whole.
struct InstrumentChunks {
  std::vector<uint8_t> headers, bags, generators, samples;
};

// The values of generator `oper` in the zones of bags [first, last).
std::vector<uint16_t> generator_values(const std::vector<uint8_t>& bags,
                                       const std::vector<uint8_t>& generators, size_t first,
                                       size_t last, uint16_t oper) {
  std::vector<uint16_t> values;
  const size_t bag_count = bags.size() / kBagSize;
  const size_t generator_count = generators.size() / kGeneratorSize;
  for (size_t bag = first; bag < last && bag + 1 < bag_count; ++bag) {
    const size_t end = std::min<size_t>(u16(bags.data() + (bag + 1) * kBagSize), generator_count);
    for (size_t g = u16(bags.data() + bag * kBagSize); g < end; ++g) {
      const uint8_t* record = generators.data() + g * kGeneratorSize;
      if (u16(record) == oper) values.push_back(u16(record + 2));
    }
  }
  return values;
}

// Where the samples that `program`'s presets play lie in the file, merged.
std::vector<ByteRange> sample_ranges(const PresetChunks& presets, const InstrumentChunks& inst,
                                     const std::vector<Chunk>& sample_chunks, int program) {
  std::vector<ByteRange> ranges;
  const size_t instrument_count = inst.headers.size() / kInstrumentHeaderSize;
  const size_t sample_count = inst.samples.size() / kSampleHeaderSize;
  const auto add = [&](const Chunk& chunk, uint64_t start, uint64_t end) {
    if (end < start || end >= chunk.size) return;
    ranges.push_back({chunk.data() + start, end - start + 1});
  };
  for (size_t preset = 0; preset < presets.preset_count(); ++preset) {
    if (u16(presets.header(preset) + kProgramAt) != program) continue;
    for (uint16_t i : generator_values(presets.bags, presets.generators, presets.first_bag(preset),
                                       presets.first_bag(preset + 1), kInstrumentGenerator)) {
      if (size_t(i) + 1 >= instrument_count) continue;
      const uint8_t* header = inst.headers.data() + i * kInstrumentHeaderSize;
      for (uint16_t s :
           generator_values(inst.bags, inst.generators, u16(header + 20),
                            u16(header + kInstrumentHeaderSize + 20), kSampleGenerator)) {
        if (s >= sample_count || sample_chunks.empty() || !sample_chunks[0].is("smpl")) continue;
        const uint8_t* sample = inst.samples.data() + s * kSampleHeaderSize;
        const uint64_t start = u32(sample + 20), end = u32(sample + 24);
        const uint64_t chunk_points = sample_chunks[0].size / 2;
        if (u16(sample + 44) & kCompressedSample) {
          add(sample_chunks[0], start, end);
        } else {
          // FluidSynth reads the 46 points of silence the format puts after
          // each sample too, where the chunk holds them.
          const uint64_t last = std::min<uint64_t>(end + kSamplePadding, chunk_points - 1);
          add(sample_chunks[0], 2 * start, 2 * last + 1);
          if (sample_chunks.size() > 1 && sample_chunks[1].is("sm24")) {
            add(sample_chunks[1], start, std::min<uint64_t>(last, sample_chunks[1].size - 1));
          }
        }
      }
    }
  }
  std::sort(ranges.begin(), ranges.end(),
            [](const ByteRange& a, const ByteRange& b) { return a.offset < b.offset; });
  std::vector<ByteRange> merged;
  for (const ByteRange& range : ranges) {
    if (!merged.empty() && range.offset <= merged.back().offset + merged.back().length) {
      ByteRange& last = merged.back();
      last.length = std::max(last.length, range.offset + range.length - last.offset);
    } else {
      merged.push_back(range);
    }
  }
  return merged;
}

}  // namespace

std::optional<SoundFontSubset> SoundFontSubset::cut(const ReadAt& file, uint64_t file_size,
                                                    const std::vector<int>& programs) {
  // RIFF 'sfbk' holding the lists INFO, sdta and pdta, in that order, exactly.
  const std::optional<Chunk> riff = chunk_at(file, 0, file_size);
  if (!riff || !riff->is("RIFF") || std::string_view(riff->kind.data(), 4) != "sfbk" ||
      riff->end() != file_size) {
    return std::nullopt;
  }
  std::optional<Chunk> list = chunk_at(file, 12, file_size);
  std::optional<Chunk> sdta;
  for (std::string_view kind : {"INFO", "sdta"}) {
    if (!list || !list->is_list(kind)) return std::nullopt;
    if (kind == "sdta") sdta = list;
    list = chunk_at(file, list->end(), file_size);
  }
  if (!list || !list->is_list("pdta")) return std::nullopt;
  const Chunk pdta = *list;
  // The sample chunks (smpl, sm24) of sdta, one after the other.
  std::vector<Chunk> sample_chunks;
  for (uint64_t at = sdta->data() + 4; at < sdta->end();) {
    const std::optional<Chunk> chunk = chunk_at(file, at, sdta->end());
    if (!chunk) return std::nullopt;
    sample_chunks.push_back(*chunk);
    at = chunk->end();
  }

  // Its chunks: the four of the presets, read and cut; the five of the
  // instruments and samples, which stay as they are.
  PresetChunks presets;
  InstrumentChunks instruments;
  std::vector<uint8_t> unused_modulators;
  std::vector<uint8_t>* parts[] = {
      &presets.headers,    &presets.bags,           &presets.modulators,
      &presets.generators, &instruments.headers,    &instruments.bags,
      &unused_modulators,  &instruments.generators, &instruments.samples};
  constexpr size_t kPresetParts = 4;
  constexpr std::string_view kIds[] = {"phdr", "pbag", "pmod", "pgen", "inst",
                                       "ibag", "imod", "igen", "shdr"};
  uint64_t at = pdta.data() + 4;
  uint64_t kept_from = 0;
  for (size_t i = 0; i < std::size(kIds); ++i) {
    const std::optional<Chunk> chunk = chunk_at(file, at, pdta.end());
    if (!chunk || !chunk->is(kIds[i])) return std::nullopt;
    if (chunk->end() - pdta.data() > kPresetChunksLimit || !read_whole(file, *chunk, *parts[i])) {
      return std::nullopt;
    }
    if (i == kPresetParts) kept_from = chunk->offset;
    at = chunk->end();
  }
  if (!presets.well_formed()) return std::nullopt;
  const PresetChunks cut = keep_programs(presets, programs);
  if (cut.preset_count() == 0) return std::nullopt;

  SoundFontSubset subset;
  subset.presets_ = static_cast<int>(cut.preset_count());
  for (int program : programs) {
    subset.samples_.emplace_back(program, sample_ranges(cut, instruments, sample_chunks, program));
  }
  std::vector<uint8_t> preset_list;
  append_chunk(preset_list, "phdr", cut.headers);
  append_chunk(preset_list, "pbag", cut.bags);
  append_chunk(preset_list, "pmod", cut.modulators);
  append_chunk(preset_list, "pgen", cut.generators);
  const uint64_t pdta_size = 4 + preset_list.size() + (pdta.end() - kept_from);
  std::vector<uint8_t> list_header;
  append_id(list_header, "LIST");
  append32(list_header, static_cast<uint32_t>(pdta_size));
  append_id(list_header, "pdta");
  preset_list.insert(preset_list.begin(), list_header.begin(), list_header.end());

  // Only the sample data is read from the file later on: everything FluidSynth
  // parses again when it loads an instrument's samples is held here, so that a
  // file cut short or overwritten since can cost samples, never the structure.
  subset.append_bytes({});  // the RIFF header, once the size is known
  if (!subset.append_copy(file, 12, sdta->data() + 4 - 12)) return std::nullopt;
  for (const Chunk& chunk : sample_chunks) {
    if (!subset.append_copy(file, chunk.offset, 8)) return std::nullopt;
    subset.append_from_file(chunk.data(), chunk.size);
  }
  subset.append_bytes(std::move(preset_list));
  if (!subset.append_copy(file, kept_from, file_size - kept_from)) return std::nullopt;
  std::vector<uint8_t> riff_header;
  append_id(riff_header, "RIFF");
  append32(riff_header, static_cast<uint32_t>(subset.size_ + 12 - 8));
  append_id(riff_header, "sfbk");
  subset.pieces_.front() = Piece{riff_header.size(), 0, riff_header};
  subset.size_ += riff_header.size();
  return subset;
}

const std::vector<ByteRange>& SoundFontSubset::samples_of(int program) const {
  static const std::vector<ByteRange> none;
  for (const auto& [kept, ranges] : samples_) {
    if (kept == program) return ranges;
  }
  return none;
}

SoundFontSubset SoundFontSubset::whole(uint64_t file_size) {
  SoundFontSubset subset;
  subset.append_from_file(0, file_size);
  return subset;
}

void SoundFontSubset::append_from_file(uint64_t file_offset, uint64_t length) {
  if (length == 0) return;
  pieces_.push_back(Piece{length, file_offset, {}});
  size_ += length;
}

bool SoundFontSubset::append_copy(const ReadAt& file, uint64_t file_offset, uint64_t length) {
  if (length > kPresetChunksLimit) return false;
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  if (length > 0 && !file(file_offset, bytes.data(), bytes.size())) return false;
  append_bytes(std::move(bytes));
  return true;
}

void SoundFontSubset::append_bytes(std::vector<uint8_t> bytes) {
  const uint64_t length = bytes.size();
  pieces_.push_back(Piece{length, 0, std::move(bytes)});
  size_ += length;
}

bool SoundFontSubset::read(const ReadAt& file, uint64_t offset, uint8_t* out, size_t length) const {
  if (offset > size_ || length > size_ - offset) return false;
  uint64_t start = 0;
  for (const Piece& piece : pieces_) {
    const uint64_t end = start + piece.length;
    if (length > 0 && offset < end) {
      const uint64_t within = offset - start;
      const size_t n = static_cast<size_t>(std::min<uint64_t>(length, piece.length - within));
      if (!piece.bytes.empty()) {
        std::memcpy(out, piece.bytes.data() + within, n);
      } else if (!file(piece.file_offset + within, out, n)) {
        return false;
      }
      out += n;
      offset += n;
      length -= n;
    }
    start = end;
  }
  return length == 0;
}

}  // namespace tastarion
