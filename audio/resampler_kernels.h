// The resampler's inner product: the portable form and multiply-add SIMD forms that give
// the same output bit for bit.
#pragma once
#include <cstdint>
#include <vector>


namespace vt {

enum class ResamplerKernel { scalar, sse2, avx2 };

// The processor's best kernel; `supported` tells whether one can run here.
ResamplerKernel best_resampler_kernel();
bool resampler_kernel_supported(ResamplerKernel kernel);

// The coefficient table as 16-bit taps for 16-bit multiply-add instructions.
struct NarrowTaps {
  // False when some row cannot be computed exactly in 32-bit lanes: use the scalar form.
  bool usable = false;
  std::vector<int16_t> taps;    // rows of 64: each tap within +-32767, tap 63 zero
  std::vector<int16_t> excess;  // rows of 32: what that limit cut off (taps 18..33, 30..45)
};
constexpr int kNarrowRow = 64;
constexpr int kExcessRow = 32;

// From the design's table of `phases` rows of 63 taps.
NarrowTaps narrow_taps(const std::vector<int32_t>& taps, int phases);

// One run of output frames over the filled part of the resampler's buffer.
struct FilterRun {
  const int32_t* wide = nullptr;              // interleaved samples, normalised
  const int16_t* narrow[2] = {nullptr, nullptr};  // the same per channel (SIMD forms)
  int channels = 1;
  const int32_t* taps = nullptr;  // the design's rows of 63 taps
  int phases = 1;                  // L
  int step = 1;                    // D
  const NarrowTaps* narrow_taps = nullptr;
  int32_t fill = 0;       // frames of data: the run stops when the read position reaches it
  int out_shift = 15;
  int32_t read_pos = 0;   // p, updated
  int32_t phase = 0;      // f, updated
};

// Up to `frames` output frames into `out`; returns how many were made (fewer when the
// read position reached the fill and the buffer needs a refill first). The SIMD forms
// need 1 or 2 channels, usable narrow taps and narrow samples within -32768..32767.
int filter_run(ResamplerKernel kernel, FilterRun& run, int32_t* out, int frames);

// The block steps of a refill, by the same kernel choice (any kernel gives the same
// result): the largest and smallest of `count` samples (both start at 0); rounding
// division by 2^shift in place; the copy of mono or stereo frames into 16-bit planes, true
// when every sample fits (normalised blocks reach at most 32,768).
void block_extremes(ResamplerKernel kernel, const int32_t* block, int count, int32_t* largest, int32_t* smallest);
void normalise_block(ResamplerKernel kernel, int32_t* block, int count, int shift);
bool narrow_block(ResamplerKernel kernel, const int32_t* block, int frames, int channels, int16_t* const* planes);

}  // namespace vt
