#pragma once

#include <algorithm>
#include <cmath>

namespace tastarion {

// Keeps every sample below full scale: a chord that would clip is turned down at
// once and comes back up over about 100 ms. Called from the audio callback, so it
// neither allocates nor locks.
class PeakLimiter {
 public:
  // -1 dBFS: the loudest sample the output ever carries.
  static constexpr float kCeiling = 0.891f;

  explicit PeakLimiter(double sample_rate = 48000.0)
      : release_(static_cast<float>(1.0 - std::exp(-1.0 / (0.1 * sample_rate)))) {}

  // Limits `frames` stereo frames in place; `step` is the distance between one
  // frame's sample and the next's (2 for interleaved, 1 for separate buffers).
  void process(float* left, float* right, int frames, int step) noexcept {
    for (int i = 0; i < frames; ++i) {
      float& l = left[i * step];
      float& r = right[i * step];
      const float peak = std::max(std::fabs(l), std::fabs(r));
      gain_ += (1.0f - gain_) * release_;
      if (peak * gain_ > kCeiling) gain_ = kCeiling / peak;
      l *= gain_;
      r *= gain_;
    }
  }

 private:
  float release_;
  float gain_ = 1.0f;
};

}  // namespace tastarion
