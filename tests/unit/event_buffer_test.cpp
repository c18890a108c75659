#include "recorder/event_buffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace tastarion {
namespace {

TEST(EventBufferTest, StartsAsAnEmptyRecordingWithAPlaceholderLength) {
  EventBuffer buffer;
  ASSERT_TRUE(buffer.allocate());
  const std::vector<uint8_t> expected = {0x4D, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00,
                                         0x00, 0x01, 0x02, 0x00, 0x4D, 0x54, 0x72, 0x6B, 0x42, 0x59,
                                         0x54, 0x23, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x2F, 0x00};
  EXPECT_EQ(std::vector<uint8_t>(buffer.data(), buffer.data() + 29), expected);
  // The replayer must find an end at the first record before anything was recorded.
  EXPECT_TRUE(is_end_record(buffer.data() + EventBuffer::kFirstRecord));
  EXPECT_EQ(decode_delta(buffer.data() + EventBuffer::kFirstRecord), 0u);
}

TEST(EventBufferTest, EndIsRecognisedByTheMessageBytesAlone) {
  EventRecord end = encode_event_record(0, 0xFF, 0x2F, 0);
  EXPECT_EQ(end, (EventRecord{0x80, 0x80, 0x80, 0x00, 0xFF, 0x2F, 0x00}));
  EXPECT_TRUE(is_end_record(end.data()));
  EventRecord late_end = encode_event_record(5000, 0xFF, 0x2F, 0);
  EXPECT_TRUE(is_end_record(late_end.data()));
  EventRecord note = encode_event_record(0, 0x9F, 0x2F, 0);
  EXPECT_FALSE(is_end_record(note.data()));
}

}  // namespace
}  // namespace tastarion
