// Polyphase windowed-sinc sample-rate converter in 32-bit integer arithmetic.
#pragma once
#include <vector>

#include "audio/resampler_kernels.h"
#include "audio/stream.h"

namespace vt {

// The filter design, computed once per construction.
struct ResamplerDesign {
  int phases = 1;  // L: rows of the coefficient table
  int step = 1;    // D: input advance per output frame, in 1/L input frames
  double cutoff = 0;
  double beta = 0;
  // False when no step of at most 255 phases comes near the ratio (a source rate far
  // below the target's): such a converter would play at a wrong speed, or not advance.
  bool usable = true;
  std::vector<int32_t> taps;  // L rows of kResamplerTaps
};

constexpr int kResamplerTaps = 63;

ResamplerDesign design_resampler(int32_t source_rate, int32_t target_rate, bool steep);

class Resampler : public AudioFilter {
 public:
  Resampler(const SourceRef& upstream, int32_t target_rate, bool steep);
  void read(int32_t* buffer, int frames) override;
  int32_t position() override;
  int32_t length() override;
  void seek(int32_t frame) override;
  const ResamplerDesign& design() const { return design_; }
  // Chooses the inner product's form (the processor's best by default); false when this
  // processor cannot run it. Every form gives the same output.
  bool use_kernel(ResamplerKernel kernel);

 private:
  void refill();

  ResamplerDesign design_;
  std::vector<int32_t> buffer_;  // (32,768 + 63) frames
  int32_t read_pos_ = 32;        // p
  int32_t phase_ = 0;            // f
  int32_t fill_ = 0;             // n
  int shift_ = 0;                // s: normalisation of the current block
  ResamplerKernel kernel_ = best_resampler_kernel();
  NarrowTaps narrow_taps_;       // made at the first read
  bool narrow_ready_ = false;
  std::vector<int16_t> narrow_;  // the buffer's samples per channel, 16 bits, for SIMD
  bool block_fits_ = false;      // every sample of the current block fits 16 bits
};

}  // namespace vt
