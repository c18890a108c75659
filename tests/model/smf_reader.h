#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace tastarion::model {

// One note message of a recording, as the file stores it.
struct Rec {
  uint32_t delta;
  uint8_t status;
  uint8_t note;
  uint8_t velocity;
  bool operator==(const Rec&) const = default;
};

inline std::string describe(const Rec& r) {
  char text[64];
  std::snprintf(text, sizeof text, "+%u %02X %02X %02X", unsigned{r.delta}, unsigned{r.status},
                unsigned{r.note}, unsigned{r.velocity});
  return text;
}

// The record at `r`: its four-byte delta (seven bits a byte), status and data.
inline Rec record_at(const uint8_t* r) {
  uint32_t delta = 0;
  for (int i = 0; i < 4; ++i) delta = delta << 7 | (r[i] & 0x7F);
  return {delta, r[4], r[5], r[6]};
}

// Reads a Standard MIDI File of the shape the recorder writes: format 0, one
// track, division 512, a set tempo of 512,000 us per quarter note at time 0
// (a tick is a millisecond), then each event a four-byte delta and a note-on on
// a played channel, closed by the end of track. Read independently of the recorder's
// own code, strictly: anything else is a reason to reject the file. The
// recorder's buffer, `in_memory`, is the same without the tempo event.
inline std::variant<std::vector<Rec>, std::string> read_recording(std::span<const uint8_t> bytes,
                                                                  bool in_memory = false) {
  static constexpr uint8_t kHeader[18] = {'M', 'T', 'h', 'd', 0, 0,   0,   6,   0,
                                          0,   0,   1,   2,   0, 'M', 'T', 'r', 'k'};
  static constexpr uint8_t kTempo[7] = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xD0, 0x00};
  const size_t first = in_memory ? 22 : 29;
  if (bytes.size() < first + 7) return "file of " + std::to_string(bytes.size()) + " bytes";
  for (size_t i = 0; i < sizeof kHeader; ++i) {
    if (bytes[i] != kHeader[i]) return "header byte " + std::to_string(i) + " wrong";
  }
  const uint32_t length =
      uint32_t{bytes[18]} << 24 | uint32_t{bytes[19]} << 16 | uint32_t{bytes[20]} << 8 | bytes[21];
  if (length != bytes.size() - 22) {
    return "track length " + std::to_string(length) + " for " + std::to_string(bytes.size() - 22) +
           " track bytes";
  }
  if (length % 7 != 0) return "track length not a whole number of records";
  for (size_t i = 0; i < sizeof kTempo && !in_memory; ++i) {
    if (bytes[22 + i] != kTempo[i]) return "no millisecond tempo at time 0";
  }
  std::vector<Rec> records;
  for (size_t at = first; at < bytes.size(); at += 7) {
    const uint8_t* r = bytes.data() + at;
    const std::string where = " in the record at byte " + std::to_string(at);
    if ((r[0] & r[1] & r[2] & 0x80) == 0 || (r[3] & 0x80) != 0) return "delta not 4 bytes" + where;
    const bool last = at + 7 == bytes.size();
    if (r[4] == 0xFF) {
      if (r[5] != 0x2F || r[6] != 0x00) return "meta event other than end of track" + where;
      if (!last) return "end of track before the end" + where;
      return records;
    }
    if (last) return "no end of track";
    if ((r[4] & 0xF0) != 0x90 || r[4] == 0x99) return "status not a played note-on" + where;
    if (r[5] >= 0x80 || r[6] >= 0x80) return "data byte >= 0x80" + where;
    records.push_back(record_at(r));
  }
  return "no end of track";
}

}  // namespace tastarion::model
