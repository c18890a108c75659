// The recorder's limit: a take filled to within a few notes of its 9,999,
// then the input's traffic, which may hold keys, wait and go on past the
// limit; saved, read back and replayed to its end. The first byte chooses
// how much room the fill leaves.

#include <cstddef>
#include <cstdint>

#include "fuzz/recording_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tastarion::fuzz::Bytes in(data, size);
  const int room = 1 + in.u8();
  tastarion::fuzz::run(tastarion::fuzz::decode_recording(in, 9'999 - room), size % 2 == 0);
  return 0;
}
