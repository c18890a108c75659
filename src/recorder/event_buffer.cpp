#include "recorder/event_buffer.h"

#include <algorithm>
#include <new>

namespace tastarion {

const std::array<uint8_t, 29> smf_template = {
    0x4D, 0x54, 0x68, 0x64,  // "MThd"
    0x00, 0x00, 0x00, 0x06,  // header length
    0x00, 0x00,              // format 0
    0x00, 0x01,              // one track
    0x02, 0x00,              // 512 ticks per quarter note
    0x4D, 0x54, 0x72, 0x6B,  // "MTrk"
    0x42, 0x59, 0x54, 0x23,  // "BYT#", replaced by the length when a recording stops
    0x00, 0x00, 0x00, 0x00, 0xFF, 0x2F, 0x00,  // an empty track's end of track
};

bool EventBuffer::allocate() {
  // Zeroed so that nothing stale can ever leak into a file, whatever reads it.
  bytes_.reset(new (std::nothrow) uint8_t[kSize]());
  if (!bytes_) return false;
  std::copy(smf_template.begin(), smf_template.end(), bytes_.get());
  return true;
}

EventRecord encode_event_record(uint32_t delta, uint8_t status, uint8_t data1, uint8_t data2) {
  // A variable-length quantity held at four bytes, so that every record is
  // seven bytes and the cursor stays on record boundaries.
  return {static_cast<uint8_t>(0x80 | ((delta >> 21) & 0x7F)),
          static_cast<uint8_t>(0x80 | ((delta >> 14) & 0x7F)),
          static_cast<uint8_t>(0x80 | ((delta >> 7) & 0x7F)),
          static_cast<uint8_t>(delta & 0x7F),
          status,
          data1,
          data2};
}

uint32_t decode_delta(const uint8_t* record) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = value * 128 + (record[i] & 0x7F);
  return value;
}

bool is_end_record(const uint8_t* record) {
  return record[4] == 0xFF && record[5] == 0x2F && record[6] == 0x00;
}

}  // namespace tastarion
