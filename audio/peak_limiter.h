// Look-ahead gain limiter: keeps the output within its limit without hard clipping.
#pragma once
#include <vector>

#include "audio/stream.h"

namespace vt {

constexpr int32_t kUnityGain = 0x1000000;  // 1.0 in Q24

// Q24 gain times a sample, in 32-bit pieces (the low-by-low term is dropped).
inline int32_t q24_multiply(int32_t gain, int32_t sample) {
  int32_t gain_hi = gain >> 12, gain_lo = gain & 0xFFF;
  int32_t x_hi = sample >> 12, x_lo = sample & 0xFFF;
  return ((x_lo * gain_hi) >> 12) + ((x_hi * gain_lo) >> 12) + x_hi * gain_hi;
}

class PeakLimiter : public AudioFilter {
 public:
  PeakLimiter(const SourceRef& upstream, int32_t limit);
  void read(int32_t* buffer, int frames) override;
  int32_t position() override;
  void seek(int32_t frame) override;

  int32_t block_frames() const { return block_; }
  int32_t gain_of(int32_t peak) const;

 private:
  void prime();
  void load_block(int slot);
  void ramp();

  int32_t limit_;
  int32_t block_;                          // b frames
  std::vector<int32_t> blocks_[3];
  int32_t block_gain_[3] = {};             // gain of each slot's content
  int current_ = 0;                        // slot being output; the next two follow it
  int32_t index_ = 0;                      // frame index in the current block
  int32_t g_prev_ = 0, g_cur_ = 0, g_next_ = 0, g_after_ = 0;
  int32_t gain_ = kUnityGain;              // G
  int32_t delta_ = 0;                      // per-frame increment
  bool primed_ = false;
};

}  // namespace vt
