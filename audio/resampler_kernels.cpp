#include "audio/resampler_kernels.h"

#include <cstdlib>

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>
#define VT_X86_KERNELS 1
#endif

namespace vt {

namespace {

constexpr int kTaps = 63;
constexpr int kHalfTaps = 32;
// Where a sinc's large taps are: the clamped-off part of a tap may only sit in taps 26..37.
constexpr int kExcessLow = 26, kExcessHigh = 38;
// The excess row holds the first half's excess as taps 18..33, then the second's as 30..45.
constexpr int kExcessFirstA = 18, kExcessFirstB = 30;

// 15-bit samples times 16-bit taps: a half sum stays within 32 bits for real audio, but a
// full-scale signal matching the taps' signs would not, so the sums are 64-bit and equal
// to the 32-bit ones whenever those would not have overflowed.
inline int32_t finish_sum(int64_t sum, int out_shift) {
  int64_t value = out_shift >= 0 ? (sum + ((int64_t{1} << out_shift) >> 1)) >> out_shift : sum << -out_shift;
  return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : value);
}

// Moves to the next output frame's row; false when its first tap lies past the fill.
inline bool next_frame(FilterRun& run) {
  run.read_pos += run.phase / run.phases;
  run.phase %= run.phases;
  return run.read_pos < run.fill;
}

// The reference: the inner product straight from the 32-bit table and samples.
int run_scalar(FilterRun& run, int32_t* out, int frames) {
  const int ch = run.channels;
  int made = 0;
  for (; made < frames; ++made) {
    if (!next_frame(run)) break;
    const int32_t* row = run.taps + static_cast<size_t>(run.phase) * kTaps;
    const int32_t* frame = run.wide + static_cast<size_t>(run.read_pos) * ch;
    for (int c = 0; c < ch; ++c) {
      const int32_t* x = frame + c;
      int64_t a = 0, b = 0;
      for (int k = 0; k < kHalfTaps; ++k) a += static_cast<int64_t>(x[k * ch]) * row[k];
      for (int k = kHalfTaps; k < kTaps; ++k) b += static_cast<int64_t>(x[k * ch]) * row[k];
      out[c] = finish_sum((a >> 1) + (b >> 1), run.out_shift);
    }
    out += ch;
    run.phase += run.step;
  }
  return made;
}

#if VT_X86_KERNELS

// Exact sum of the eight 32-bit lanes of two vectors.
inline int64_t sum_lanes(__m128i u, __m128i v) {
  __m128i su = _mm_srai_epi32(u, 31), sv = _mm_srai_epi32(v, 31);
  __m128i pairs = _mm_add_epi64(_mm_unpacklo_epi32(u, su), _mm_unpackhi_epi32(u, su));
  pairs = _mm_add_epi64(pairs, _mm_add_epi64(_mm_unpacklo_epi32(v, sv), _mm_unpackhi_epi32(v, sv)));
  pairs = _mm_add_epi64(pairs, _mm_unpackhi_epi64(pairs, pairs));
  return _mm_cvtsi128_si64(pairs);
}

inline __m128i load(const int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

inline __m128i madd(__m128i x, const int16_t* taps) { return _mm_madd_epi16(x, load(taps)); }

// pmaddwd sums pairs of products exactly (taps are within +-32767). Each half keeps the
// vector around the middle of the row (taps 24..31 or 32..39) in lanes of their own, and
// adds the excess of its large taps from a load two taps away, so that a large tap and its
// excess never meet in one lane; narrow_taps checked that no lane's running sum can leave
// 32 bits, and only the lanes' totals are 64-bit.
inline int32_t product_sse2(const int16_t* x, const int16_t* row, const int16_t* excess, int out_shift) {
  __m128i a = _mm_add_epi32(madd(load(x), row), madd(load(x + 8), row + 8));
  a = _mm_add_epi32(a, madd(load(x + 16), row + 16));
  __m128i a_mid = _mm_add_epi32(madd(load(x + 24), row + 24), madd(load(x + 26), excess + 8));
  __m128i b = _mm_add_epi32(madd(load(x + 40), row + 40), madd(load(x + 48), row + 48));
  b = _mm_add_epi32(b, madd(load(x + 56), row + 56));
  __m128i b_mid = _mm_add_epi32(madd(load(x + 32), row + 32), madd(load(x + 30), excess + 16));
  return finish_sum((sum_lanes(a, a_mid) >> 1) + (sum_lanes(b, b_mid) >> 1), out_shift);
}

// The run loop of the SIMD forms around one form's inner product (inlined into each
// form's own run function, so it is compiled for that form's instructions).
template <int Channels, typename Form>
inline __attribute__((always_inline)) int run_narrow(FilterRun& run, int32_t* out, int frames) {
  const int16_t* taps = run.narrow_taps->taps.data();
  const int16_t* excess = run.narrow_taps->excess.data();
  int made = 0;
  for (; made < frames; ++made) {
    if (!next_frame(run)) break;
    const int16_t* row = taps + static_cast<size_t>(run.phase) * kNarrowRow;
    const int16_t* extra = excess + static_cast<size_t>(run.phase) * kExcessRow;
    for (int c = 0; c < Channels; ++c) out[c] = Form::product(run.narrow[c] + run.read_pos, row, extra, run.out_shift);
    out += Channels;
    run.phase += run.step;
  }
  return made;
}

struct Sse2Form {
  static int32_t product(const int16_t* x, const int16_t* row, const int16_t* excess, int out_shift) {
    return product_sse2(x, row, excess, out_shift);
  }
};

template <int Channels>
int run_sse2(FilterRun& run, int32_t* out, int frames) {
  return run_narrow<Channels, Sse2Form>(run, out, frames);
}

__attribute__((target("avx2"))) inline __m256i load256(const int16_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

__attribute__((target("avx2"))) inline __m256i madd256(__m256i x, const int16_t* taps) {
  return _mm256_madd_epi16(x, load256(taps));
}

// Exact sum of the lanes of `outer` folded to 128 bits and of the eight lanes of `middle`.
__attribute__((target("avx2"))) inline int64_t sum_lanes256(__m256i outer, __m256i middle) {
  __m128i folded = _mm_add_epi32(_mm256_castsi256_si128(outer), _mm256_extracti128_si256(outer, 1));
  __m256i wide = _mm256_add_epi64(_mm256_cvtepi32_epi64(folded),
                                  _mm256_cvtepi32_epi64(_mm256_castsi256_si128(middle)));
  wide = _mm256_add_epi64(wide, _mm256_cvtepi32_epi64(_mm256_extracti128_si256(middle, 1)));
  __m128i pairs = _mm_add_epi64(_mm256_castsi256_si128(wide), _mm256_extracti128_si256(wide, 1));
  pairs = _mm_add_epi64(pairs, _mm_unpackhi_epi64(pairs, pairs));
  return _mm_cvtsi128_si64(pairs);
}

// The outer vectors fold onto the SSE2 form's lanes; the middle ones (taps 16..31 and
// 32..47, with the excess loaded two taps away as there) are widened lane by lane.
__attribute__((target("avx2"))) inline int32_t product_avx2(const int16_t* x, const int16_t* row,
                                                              const int16_t* excess, int out_shift) {
  __m256i a = madd256(load256(x), row);
  __m256i a_mid = _mm256_add_epi32(madd256(load256(x + 16), row + 16), madd256(load256(x + 18), excess));
  __m256i b = madd256(load256(x + 48), row + 48);
  __m256i b_mid = _mm256_add_epi32(madd256(load256(x + 32), row + 32), madd256(load256(x + 30), excess + 16));
  return finish_sum((sum_lanes256(a, a_mid) >> 1) + (sum_lanes256(b, b_mid) >> 1), out_shift);
}

struct Avx2Form {
  __attribute__((target("avx2"))) static inline int32_t product(const int16_t* x, const int16_t* row,
                                                                              const int16_t* excess, int out_shift) {
    return product_avx2(x, row, excess, out_shift);
  }
};

template <int Channels>
__attribute__((target("avx2"))) int run_avx2(FilterRun& run, int32_t* out, int frames) {
  return run_narrow<Channels, Avx2Form>(run, out, frames);
}

#endif  // VT_X86_KERNELS

// --- Block preparation: peak, normalisation, 16-bit planes ----------------------------
// Plain loops that the compiler vectorises; the AVX2 wrappers compile the same bodies
// for wider registers and 32-bit minimum and maximum instructions.

#define VT_INLINE inline __attribute__((always_inline))

VT_INLINE void extremes_body(const int32_t* block, int count, int32_t* largest, int32_t* smallest) {
  int32_t high = 0, low = 0;
  for (int i = 0; i < count; ++i) {
    high = block[i] > high ? block[i] : high;
    low = block[i] < low ? block[i] : low;
  }
  *largest = high;
  *smallest = low;
}

// (x + 2^(s-1)) >> s, without the addition that could overflow 32 bits.
VT_INLINE void normalise_body(int32_t* block, int count, int s) {
  for (int i = 0; i < count; ++i) block[i] = (block[i] >> s) + ((block[i] >> (s - 1)) & 1);
}

template <int Channels>
VT_INLINE int32_t narrow_body(const int32_t* block, int frames, int16_t* const* planes) {
  int32_t high = INT32_MIN;
  for (int c = 0; c < Channels; ++c) {
    int16_t* to = planes[c];
    for (int i = 0; i < frames; ++i) {
      int32_t v = block[i * Channels + c];
      high = v > high ? v : high;
      to[i] = static_cast<int16_t>(v);
    }
  }
  return high;
}

void extremes_plain(const int32_t* block, int count, int32_t* largest, int32_t* smallest) {
  extremes_body(block, count, largest, smallest);
}
void normalise_plain(int32_t* block, int count, int s) { normalise_body(block, count, s); }
int32_t narrow_plain(const int32_t* block, int frames, int channels, int16_t* const* planes) {
  return channels == 1 ? narrow_body<1>(block, frames, planes) : narrow_body<2>(block, frames, planes);
}

#if VT_X86_KERNELS
__attribute__((target("avx2"))) void extremes_avx2(const int32_t* block, int count, int32_t* largest,
                                                     int32_t* smallest) {
  extremes_body(block, count, largest, smallest);
}
__attribute__((target("avx2"))) void normalise_avx2(int32_t* block, int count, int s) {
  normalise_body(block, count, s);
}
__attribute__((target("avx2"))) int32_t narrow_avx2(const int32_t* block, int frames, int channels,
                                                      int16_t* const* planes) {
  return channels == 1 ? narrow_body<1>(block, frames, planes) : narrow_body<2>(block, frames, planes);
}
#endif

}  // namespace

bool resampler_kernel_supported(ResamplerKernel kernel) {
  switch (kernel) {
    case ResamplerKernel::scalar:
      return true;
#if VT_X86_KERNELS
    case ResamplerKernel::sse2:
      return true;  // part of every x86-64 processor
    case ResamplerKernel::avx2:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2");
#endif
    default:
      return false;
  }
}

ResamplerKernel best_resampler_kernel() {
  static const ResamplerKernel best = resampler_kernel_supported(ResamplerKernel::avx2)   ? ResamplerKernel::avx2
                                      : resampler_kernel_supported(ResamplerKernel::sse2) ? ResamplerKernel::sse2
                                                                                          : ResamplerKernel::scalar;
  return best;
}

NarrowTaps narrow_taps(const std::vector<int32_t>& taps, int phases) {
  NarrowTaps narrow;
  narrow.taps.assign(static_cast<size_t>(phases) * kNarrowRow, 0);
  narrow.excess.assign(static_cast<size_t>(phases) * kExcessRow, 0);
  bool usable = true;
  for (int j = 0; j < phases && usable; ++j) {
    const int32_t* row = taps.data() + static_cast<size_t>(j) * kTaps;
    int16_t* to = narrow.taps.data() + static_cast<size_t>(j) * kNarrowRow;
    int16_t* extra = narrow.excess.data() + static_cast<size_t>(j) * kExcessRow;
    int64_t excess_of[kTaps] = {};
    for (int k = 0; k < kTaps; ++k) {
      int32_t t = row[k] > 32767 ? 32767 : row[k] < -32767 ? -32767 : row[k];
      to[k] = static_cast<int16_t>(t);
      excess_of[k] = static_cast<int64_t>(row[k]) - t;
      if (excess_of[k] == 0) continue;
      if (k < kExcessLow || k >= kExcessHigh || excess_of[k] > 32767 || excess_of[k] < -32767) usable = false;
      else if (k < kHalfTaps) extra[k - kExcessFirstA] = static_cast<int16_t>(excess_of[k]);
      else extra[16 + k - kExcessFirstB] = static_cast<int16_t>(excess_of[k]);
    }
    // Each 32-bit lane of the SSE2 form gathers pairs of taps 2l, 2l+1 of one half: of
    // three vectors of eight (taps 0..23 or 40..63), or of the middle vector (24..31 or
    // 32..39) with the excess of the pair two taps further out. With samples of at most
    // 32,768 in magnitude a lane's running sum stays exact when the magnitudes of its
    // taps add up to at most 65,535. The AVX2 lanes hold these or subsets of them.
    auto tap = [&](int k) { return k >= 0 && k < kTaps ? std::llabs(to[k]) : 0; };
    auto over = [&](int k, bool first_half) {
      return k >= 0 && k < kTaps && (k < kHalfTaps) == first_half ? std::llabs(excess_of[k]) : 0;
    };
    for (int lane = 0; lane < 4; ++lane) {
      int64_t low = 0, high = 0;
      for (int v = 0; v < 3; ++v) {
        int k = 8 * v + 2 * lane;
        low += tap(k) + tap(k + 1);
        high += tap(k + 40) + tap(k + 41);
      }
      int k = 24 + 2 * lane;
      int64_t mid_low = tap(k) + tap(k + 1) + over(k + 2, true) + over(k + 3, true);
      k = 32 + 2 * lane;
      int64_t mid_high = tap(k) + tap(k + 1) + over(k - 2, false) + over(k - 1, false);
      if (low > 65535 || high > 65535 || mid_low > 65535 || mid_high > 65535) usable = false;
    }
  }
  narrow.usable = usable;
  return narrow;
}

int filter_run(ResamplerKernel kernel, FilterRun& run, int32_t* out, int frames) {
#if VT_X86_KERNELS
  if (kernel != ResamplerKernel::scalar && run.narrow_taps && run.narrow_taps->usable &&
      (run.channels == 1 || run.channels == 2)) {
    if (kernel == ResamplerKernel::avx2)
      return run.channels == 1 ? run_avx2<1>(run, out, frames) : run_avx2<2>(run, out, frames);
    return run.channels == 1 ? run_sse2<1>(run, out, frames) : run_sse2<2>(run, out, frames);
  }
#endif
  return run_scalar(run, out, frames);
}

void block_extremes(ResamplerKernel kernel, const int32_t* block, int count, int32_t* largest, int32_t* smallest) {
#if VT_X86_KERNELS
  if (kernel == ResamplerKernel::avx2) return extremes_avx2(block, count, largest, smallest);
#endif
  extremes_plain(block, count, largest, smallest);
}

void normalise_block(ResamplerKernel kernel, int32_t* block, int count, int shift) {
  if (shift <= 0) return;
#if VT_X86_KERNELS
  if (kernel == ResamplerKernel::avx2) return normalise_avx2(block, count, shift);
#endif
  normalise_plain(block, count, shift);
}

bool narrow_block(ResamplerKernel kernel, const int32_t* block, int frames, int channels, int16_t* const* planes) {
  if (frames <= 0) return true;
#if VT_X86_KERNELS
  if (kernel == ResamplerKernel::avx2) return narrow_avx2(block, frames, channels, planes) <= 32767;
#endif
  return narrow_plain(block, frames, channels, planes) <= 32767;
}

}  // namespace vt
