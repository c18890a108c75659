#include "synth/soundfont_loader.h"

#include <fcntl.h>
#include <fluidsynth.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/sound_settings.h"
#include "synth/soundfont_subset.h"

namespace tastarion {

namespace {

// FluidSynth opens a file by name alone, once to load it and again each time
// it reads the samples of a preset. The file is cut once, and the descriptor
// it was read through stays open for the reads that follow: they find the
// samples the cut was made for, even once the package that brought the file
// has been upgraded or removed.
struct CutFile {
  std::string path;
  int fd = -1;
  std::shared_ptr<const SoundFontSubset> subset;
  // The file as it was when cut: a file written to since (cut short, rewritten,
  // overwritten in place) no longer holds the samples the cut was made for.
  struct stat first {};
  ReadAt reader;
  // Sample data read ahead of an instrument change (prefetch_samples), so that
  // FluidSynth, reading it under its own lock, copies from memory.
  mutable std::mutex prefetched_mutex;
  mutable std::vector<std::pair<ByteRange, std::vector<uint8_t>>> prefetched;

  bool copy_prefetched(uint64_t offset, uint8_t* out, size_t length) const {
    std::lock_guard lock(prefetched_mutex);
    for (const auto& [range, bytes] : prefetched) {
      if (offset >= range.offset && offset - range.offset <= range.length &&
          length <= range.length - (offset - range.offset)) {
        std::memcpy(out, bytes.data() + (offset - range.offset), length);
        return true;
      }
    }
    return false;
  }
};

// What the last refused sample read found, for the player's message.
std::mutex refusal_mutex;
uint64_t refused_reads = 0;
std::string refusal_reason;

void refuse(std::string reason) {
  std::lock_guard lock(refusal_mutex);
  ++refused_reads;
  refusal_reason = std::move(reason);
}

// Written to, or cut short: removing or renaming the file changes neither.
bool same_contents(const struct stat& a, const struct stat& b) {
  return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Reads through a kept descriptor. Once the file is no longer as it was when
// cut (written to, cut short) or cannot be read, the samples asked for come as
// silence: FluidSynth 2.3 leaves a sample it failed to read without data yet
// still plays it, and crashes in its audio thread.
ReadAt checked_reader_of(const CutFile& cut) {
  return [&cut](uint64_t offset, uint8_t* out, size_t length) {
    const auto silence = [&](std::string reason) {
      std::memset(out, 0, length);
      refuse(cut.path + reason);
      return true;
    };
    if (cut.copy_prefetched(offset, out, length)) return true;
    struct stat now {};
    if (fstat(cut.fd, &now) != 0 || !same_contents(now, cut.first)) {
      return silence(" changed on disk after it was loaded");
    }
    while (length > 0) {
      const ssize_t n = pread(cut.fd, out, length, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n == 0) return silence(" is cut short");
      if (n < 0) return silence(std::string(" cannot be read: ") + std::strerror(errno));
      out += n;
      offset += static_cast<uint64_t>(n);
      length -= static_cast<size_t>(n);
    }
    return true;
  };
}

std::mutex cuts_mutex;
// A list: entries stay where they are while others are added.
std::list<CutFile> cuts;

ReadAt reader_of(int fd) {
  return [fd](uint64_t offset, uint8_t* out, size_t length) {
    while (length > 0) {
      const ssize_t n = pread(fd, out, length, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      out += n;
      offset += static_cast<uint64_t>(n);
      length -= static_cast<size_t>(n);
    }
    return true;
  };
}

// The cut of `path` and the descriptor to read it through; none when the
// file cannot be opened. A file that cannot be cut is read whole, through a
// descriptor kept open all the same.
const CutFile* cut_of(const std::string& path) {
  std::lock_guard lock(cuts_mutex);
  for (const CutFile& cut : cuts) {
    if (cut.path == path) return &cut;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  const auto size = static_cast<uint64_t>(info.st_size);
  std::optional<SoundFontSubset> made =
      SoundFontSubset::cut(reader_of(fd), size, instrument_programs());
  if (!made) made = SoundFontSubset::whole(size);
  CutFile& cut = cuts.emplace_back();
  cut.path = path;
  cut.fd = fd;
  cut.subset = std::make_shared<const SoundFontSubset>(std::move(*made));
  cut.first = info;
  // A file read whole has no structure held apart, and FluidSynth parses it
  // again through this reader: it reads what is there, as before.
  cut.reader = cut.subset->presets() > 0 ? checked_reader_of(cut) : reader_of(fd);
  return &cut;
}

// FluidSynth reads the preset list a few bytes at a time: reads of a file
// read whole go through a buffer, as its own loader's do through stdio. A cut
// file holds all but the samples in memory, and each sample is read exactly,
// so that what prefetch_samples() read is what FluidSynth asks for.
struct OpenCut {
  static constexpr size_t kBufferSize = 64 * 1024;

  const CutFile* cut = nullptr;
  std::shared_ptr<const SoundFontSubset> subset;
  uint64_t position = 0;
  std::vector<uint8_t> buffer;
  uint64_t buffer_start = 0;

  bool read(uint8_t* out, size_t count) {
    const uint64_t buffer_end = buffer_start + buffer.size();
    if (subset->presets() > 0) {
      if (!subset->read(cut->reader, position, out, count)) return false;
    } else if (position >= buffer_start && position <= buffer_end &&
               count <= buffer_end - position) {
      std::copy_n(buffer.begin() + static_cast<ptrdiff_t>(position - buffer_start), count, out);
    } else if (count >= kBufferSize / 2) {
      if (!subset->read(cut->reader, position, out, count)) return false;
    } else {
      if (position > subset->size()) return false;
      buffer.resize(
          static_cast<size_t>(std::min<uint64_t>(kBufferSize, subset->size() - position)));
      buffer_start = position;
      if (count > buffer.size() ||
          !subset->read(cut->reader, position, buffer.data(), buffer.size())) {
        buffer.clear();
        return false;
      }
      std::copy_n(buffer.begin(), count, out);
    }
    position += count;
    return true;
  }
};

void* open_cut(const char* filename) {
  const CutFile* cut = cut_of(filename);
  if (cut == nullptr) return nullptr;  // FluidSynth's own loader says why
  auto* file = new OpenCut;
  file->cut = cut;
  file->subset = cut->subset;
  return file;
}

int read_cut(void* buf, fluid_long_long_t count, void* handle) {
  auto* file = static_cast<OpenCut*>(handle);
  return count >= 0 && file->read(static_cast<uint8_t*>(buf), static_cast<size_t>(count))
             ? FLUID_OK
             : FLUID_FAILED;
}

int seek_cut(void* handle, fluid_long_long_t offset, int origin) {
  auto* file = static_cast<OpenCut*>(handle);
  fluid_long_long_t base = 0;
  if (origin == SEEK_CUR) base = static_cast<fluid_long_long_t>(file->position);
  if (origin == SEEK_END) base = static_cast<fluid_long_long_t>(file->subset->size());
  if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) return FLUID_FAILED;
  if (base + offset < 0) return FLUID_FAILED;
  file->position = static_cast<uint64_t>(base + offset);
  return FLUID_OK;
}

fluid_long_long_t tell_cut(void* handle) {
  return static_cast<fluid_long_long_t>(static_cast<OpenCut*>(handle)->position);
}

int close_cut(void* handle) {
  delete static_cast<OpenCut*>(handle);
  return FLUID_OK;
}

// The program whose samples the cuts hold read ahead.
std::atomic<int> prefetched_program{-1};

}  // namespace

void prefetch_samples(int program) {
  std::vector<const CutFile*> loaded;
  {
    std::lock_guard lock(cuts_mutex);
    for (const CutFile& cut : cuts) loaded.push_back(&cut);
  }
  prefetched_program = program;
  for (const CutFile* each : loaded) {
    const CutFile& cut = *each;
    std::vector<std::pair<ByteRange, std::vector<uint8_t>>> read;
    for (const ByteRange& range : cut.subset->samples_of(program)) {
      std::vector<uint8_t> bytes;
      try {
        bytes.resize(static_cast<size_t>(range.length));
      } catch (const std::bad_alloc&) {
        break;  // FluidSynth reads the rest itself
      }
      struct stat now {};
      // A changed file is left to the checked reader, which tells of it.
      if (fstat(cut.fd, &now) != 0 || !same_contents(now, cut.first) ||
          !reader_of(cut.fd)(range.offset, bytes.data(), bytes.size())) {
        break;
      }
      read.emplace_back(range, std::move(bytes));
    }
    std::lock_guard prefetched_lock(cut.prefetched_mutex);
    cut.prefetched = std::move(read);
  }
}

void drop_prefetched_samples(int program) {
  if (!prefetched_program.compare_exchange_strong(program, -1)) return;
  std::lock_guard lock(cuts_mutex);
  for (const CutFile& cut : cuts) {
    std::lock_guard prefetched_lock(cut.prefetched_mutex);
    cut.prefetched.clear();
    cut.prefetched.shrink_to_fit();
  }
}

std::string soundfont_problem(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::string(" cannot be read: ") + std::strerror(errno);
  uint8_t header[12] = {};
  struct stat info {};
  const bool read = fstat(fd, &info) == 0 && reader_of(fd)(0, header, sizeof header);
  const int error = errno;
  ::close(fd);
  if (!S_ISREG(info.st_mode)) return " is not a file";
  if (!read && info.st_size >= static_cast<off_t>(sizeof header)) {
    return std::string(" cannot be read: ") + std::strerror(error);
  }
  if (!read || std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "sfbk", 4) != 0) {
    return " is not a SoundFont";
  }
  const uint64_t riff_size = uint64_t(header[4]) | uint64_t(header[5]) << 8 |
                             uint64_t(header[6]) << 16 | uint64_t(header[7]) << 24;
  if (riff_size + 8 > static_cast<uint64_t>(info.st_size)) return " is cut short";
  return {};
}

uint64_t refused_sample_reads() {
  std::lock_guard lock(refusal_mutex);
  return refused_reads;
}

std::string last_refusal() {
  std::lock_guard lock(refusal_mutex);
  return refusal_reason;
}

const std::vector<int>& instrument_programs() {
  static const std::vector<int> programs = [] {
    std::vector<int> list;
    for (int i = kInstrumentSetting.minimum; i <= kInstrumentSetting.maximum; ++i) {
      list.push_back(program_number_of(i));
    }
    return list;
  }();
  return programs;
}

void load_only_instruments(fluid_synth_t* synth, fluid_settings_t* settings) {
  fluid_sfloader_t* loader = new_fluid_defsfloader(settings);
  if (loader == nullptr) return;
  fluid_sfloader_set_callbacks(loader, open_cut, read_cut, seek_cut, tell_cut, close_cut);
  // Tried before the loader the synth was made with, which stays as the fallback.
  fluid_synth_add_sfloader(synth, loader);
}

}  // namespace tastarion
