#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <vector>

namespace tastarion::testing {

// A track chunk around the given event bytes.
inline std::vector<uint8_t> track(const std::vector<uint8_t>& events) {
  const auto n = static_cast<uint32_t>(events.size());
  std::vector<uint8_t> chunk(8 + events.size());
  const uint8_t header[8] = {
      'M', 'T', 'r', 'k', uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
  std::copy(std::begin(header), std::end(header), chunk.begin());
  std::copy(events.begin(), events.end(), chunk.begin() + 8);
  return chunk;
}
inline std::vector<uint8_t> track(std::initializer_list<uint8_t> events) {
  return track(std::vector<uint8_t>(events));
}

// A Standard MIDI File of the given tracks; `promised` tracks in the header
// (by default as many as given).
inline std::vector<uint8_t> midi_file(uint16_t format, uint16_t division,
                                      const std::vector<std::vector<uint8_t>>& tracks,
                                      int promised = -1) {
  const auto count = static_cast<uint16_t>(promised < 0 ? tracks.size() : promised);
  std::vector<uint8_t> bytes = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
  for (uint16_t value : {format, count, division}) {
    bytes.push_back(static_cast<uint8_t>(value >> 8));
    bytes.push_back(static_cast<uint8_t>(value));
  }
  for (const auto& chunk : tracks) bytes.insert(bytes.end(), chunk.begin(), chunk.end());
  return bytes;
}

inline std::filesystem::path write_file(const std::filesystem::path& path,
                                        const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

}  // namespace tastarion::testing
