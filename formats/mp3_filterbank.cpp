// The synthesis half of Layer III decoding: aliasing reduction, the hybrid filter
// bank (IMDCT, windowing, overlap-add, frequency inversion) and the polyphase
// synthesis filter bank with its 32-point DCT. Output is in sample units (full
// scale +-2^19), truncated, and kept within the reader's peak bound.
#include <cstring>

#include "formats/mp3_computed_tables.h"
#include "formats/mp3_layer3.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(_M_X64))
#define VT_FB_AVX2 1
#endif

namespace vt {
namespace mp3 {

namespace {

constexpr float kPeak = 2097152.0f;  // 0x200000, the reader's peak bound

struct BlockShape {
  int window_switching, block_type, mixed;
};

// Four floats per vector: the baseline of every x86-64 processor (and the portable form).
#define VT_FB_NAMESPACE lanes4
#define VT_FB_LANES 4
#include "formats/mp3_filterbank_body.inc"
#undef VT_FB_NAMESPACE
#undef VT_FB_LANES

// Eight floats per vector where the processor has AVX2. No FMA: a fused multiply-add
// would round differently.
#if VT_FB_AVX2
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
#define VT_FB_NAMESPACE lanes8
#define VT_FB_LANES 8
#include "formats/mp3_filterbank_body.inc"
#undef VT_FB_NAMESPACE
#undef VT_FB_LANES
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif

bool supports_lanes(int lanes) {
#if VT_FB_AVX2
  if (lanes == 8) {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
  }
#endif
  return lanes == 4;
}

int g_lanes = supports_lanes(8) ? 8 : 4;

}  // namespace

int filterbank_lanes() { return g_lanes; }

bool use_filterbank_lanes(int lanes) {
  if (!supports_lanes(lanes)) return false;
  g_lanes = lanes;
  return true;
}

void Layer3Decoder::hybrid(int gr, int ch) {
  const Granule& g = side_[gr][ch];
  BlockShape shape = {g.window_switching, g.block_type, g.mixed};
  bool fast = fast_paths();
  // The fast forms keep the slots subband by subband, in the same memory.
  float(*subband_slots)[18] = reinterpret_cast<float(*)[18]>(slots_[ch]);
#if VT_FB_AVX2
  if (g_lanes == 8) {
    if (fast) return lanes8::hybrid_batched(shape, xr_[ch], nonzero_end_[ch], subband_slots, overlap_[ch]);
    return lanes8::hybrid(shape, xr_[ch], nonzero_end_[ch], slots_[ch], overlap_[ch]);
  }
#endif
  if (fast) return lanes4::hybrid_batched(shape, xr_[ch], nonzero_end_[ch], subband_slots, overlap_[ch]);
  lanes4::hybrid(shape, xr_[ch], nonzero_end_[ch], slots_[ch], overlap_[ch]);
}

void Layer3Decoder::synthesize_granule(int channels, int32_t* out) {
  bool fast = fast_paths();
  float(*subband_slots)[32][18] = reinterpret_cast<float(*)[32][18]>(slots_);
#if VT_FB_AVX2
  if (g_lanes == 8) {
    if (fast) return lanes8::synthesize_batched(channels, subband_slots, synth_buffer_, &synth_index_, out);
    return lanes8::synthesize(channels, slots_, synth_buffer_, &synth_index_, out);
  }
#endif
  if (fast) return lanes4::synthesize_batched(channels, subband_slots, synth_buffer_, &synth_index_, out);
  lanes4::synthesize(channels, slots_, synth_buffer_, &synth_index_, out);
}

}  // namespace mp3
}  // namespace vt
