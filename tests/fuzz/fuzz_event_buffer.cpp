// The event buffer through the recorder: takes of any length short of the
// recorder's limit (fuzz_full_recording plays the limit itself), saved, read
// back and replayed; the file, the buffer and every replayed message are
// checked.

#include <cstddef>
#include <cstdint>

#include "fuzz/recording_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tastarion::fuzz::Bytes in(data, size);
  tastarion::fuzz::run(tastarion::fuzz::decode_recording(in, 0), size % 2 == 0);
  return 0;
}
