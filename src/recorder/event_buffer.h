#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace tastarion {

// The in-memory Standard MIDI File image that recordings are written into.
// Layout: 14-byte header chunk, "MTrk", 4-byte track length, then 7-byte records.
class EventBuffer {
 public:
  static constexpr size_t kSize = 70026;
  static constexpr uint32_t kFirstRecord = 22;
  static constexpr uint32_t kRecordSize = 7;
  static constexpr uint32_t kTrackLengthOffset = 18;
  // Room for 10,000 records: 9,999 note messages and the end record.
  static constexpr uint32_t kMaxNoteRecords = 9999;

  // Obtains the block and copies smf_template to its start. False when the
  // memory cannot be had.
  bool allocate();
  void release() { bytes_.reset(); }
  bool allocated() const { return bytes_ != nullptr; }

  uint8_t* data() { return bytes_.get(); }
  const uint8_t* data() const { return bytes_.get(); }

 private:
  std::unique_ptr<uint8_t[]> bytes_;
};

// The 22 header bytes followed by an empty track's end record.
extern const std::array<uint8_t, 29> smf_template;

// The seven bytes of a record: the delta as a four-byte variable-length quantity
// (low 28 bits), then status, data1, data2.
using EventRecord = std::array<uint8_t, 7>;

EventRecord encode_event_record(uint32_t delta, uint8_t status, uint8_t data1, uint8_t data2);
// Four rounds of value * 128 + (byte & 0x7F): the delta modulo 2^28.
uint32_t decode_delta(const uint8_t* record);
// True for a record whose bytes 4-6 are FF 2F 00, whatever its delta bytes.
bool is_end_record(const uint8_t* record);

}  // namespace tastarion
