// The synthesis half of Layer III decoding: aliasing reduction, the hybrid filter
// bank (IMDCT, windowing, overlap-add, frequency inversion) and the polyphase
// synthesis filter bank with its 32-point DCT. Output is in sample units (full
// scale +-2^19), truncated, and kept within the reader's peak bound.
#include <cstring>

#include "formats/mp3_computed_tables.h"
#include "formats/mp3_layer3.h"

namespace vt {
namespace mp3 {

namespace {

constexpr float kPeak = 2097152.0f;  // 0x200000, the reader's peak bound

// out[0..N) = sum over k of weights[k] * rows[k * stride + 0..N), N a multiple of 4.
// With GCC and clang the N sums stay in vector registers for the whole loop.
#if defined(__GNUC__)
typedef float Float4 __attribute__((vector_size(16)));

inline Float4 load4(const float* p) {
  Float4 v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

template <int N>
inline void weighted_rows(const float* weights, const float* rows, int stride, int count, float* out) {
  Float4 sums[N / 4];  // unrolled loops keep these in registers
#pragma GCC unroll 8
  for (int j = 0; j < N / 4; ++j) sums[j] = Float4{0.0f, 0.0f, 0.0f, 0.0f};
  for (int k = 0; k < count; ++k) {
    float w = weights[k];
    Float4 weight = {w, w, w, w};
    const float* row = rows + k * stride;
#pragma GCC unroll 8
    for (int j = 0; j < N / 4; ++j) sums[j] += weight * load4(row + 4 * j);
  }
  std::memcpy(out, sums, sizeof(sums));
}
#else
template <int N>
inline void weighted_rows(const float* weights, const float* rows, int stride, int count, float* out) {
  for (int j = 0; j < N; ++j) out[j] = 0.0f;
  for (int k = 0; k < count; ++k)
    for (int j = 0; j < N; ++j) out[j] += weights[k] * rows[k * stride + j];
}
#endif

// The synthesis window applied to the 16 vectors of 32 values that one output slot
// draws from (every other half of the V buffer), summed per output sample.
inline void windowed_sum(const float* v, const float* window, float* out) {
#if defined(__GNUC__)
  Float4 sums[8];
  for (int j = 0; j < 8; ++j) sums[j] = Float4{0.0f, 0.0f, 0.0f, 0.0f};
  for (int i = 0; i < 8; ++i) {
    const float* a = v + 128 * i;
    const float* b = v + 128 * i + 96;
    const float* da = window + 64 * i;
    const float* db = window + 64 * i + 32;
#pragma GCC unroll 8
    for (int j = 0; j < 8; ++j)
      sums[j] += load4(a + 4 * j) * load4(da + 4 * j) + load4(b + 4 * j) * load4(db + 4 * j);
  }
  std::memcpy(out, sums, sizeof(sums));
#else
  for (int j = 0; j < 32; ++j) out[j] = 0.0f;
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 32; ++j)
      out[j] += v[128 * i + j] * window[64 * i + j] + v[128 * i + 96 + j] * window[64 * i + 32 + j];
#endif
}

}  // namespace

// --- Hybrid filter bank ----------------------------------------------------------------

void Layer3Decoder::hybrid(int gr, int ch) {
  const ComputedTables& T = computed_tables();
  const Granule& g = side_[gr][ch];
  float* xr = xr_[ch];
  int nz = nonzero_end_[ch];
  while (nz > 0 && xr[nz - 1] == 0.0f) --nz;
  int subbands = (nz + 17) / 18;
  bool short_blocks = g.window_switching && g.block_type == 2;

  if (!short_blocks || g.mixed) {
    int last = short_blocks ? 1 : (subbands < 31 ? subbands : 31);
    for (int sb = 1; sb <= last; ++sb) {
      float* base = xr + 18 * sb;
      for (int i = 0; i < 8; ++i) {
        float up = base[-1 - i], down = base[i];
        base[-1 - i] = up * T.alias_cs[i] - down * T.alias_ca[i];
        base[i] = down * T.alias_cs[i] + up * T.alias_ca[i];
      }
    }
    if (subbands > 0 && subbands < 32) ++subbands;
  }

  float(*slots)[32] = slots_[ch];
  for (int sb = 0; sb < 32; ++sb) {
    float* overlap = overlap_[ch][sb];
    float z[36];
    if (sb >= subbands) {
      for (int t = 0; t < 18; ++t) {
        slots[t][sb] = overlap[t];
        overlap[t] = 0.0f;
      }
    } else {
      const float* in = xr + 18 * sb;
      // With the mixed flag the two lowest subbands take the normal window, whatever
      // the block type.
      bool low_mixed = g.window_switching && g.mixed && sb < 2;
      if (!short_blocks || low_mixed) {
        int type = low_mixed ? 0 : g.block_type;
        float y[20];
        weighted_rows<20>(in, &T.imdct_long[0][0], 20, 18, y);
        const float* win = T.window_long[type];
        for (int i = 0; i < 9; ++i) {
          z[i] = y[i] * win[i];
          z[17 - i] = -y[i] * win[17 - i];
          z[18 + i] = y[9 + i] * win[18 + i];
          z[35 - i] = y[9 + i] * win[35 - i];
        }
      } else {
        for (int i = 0; i < 36; ++i) z[i] = 0.0f;
        for (int w = 0; w < 3; ++w) {
          float x[6] = {in[w], in[3 + w], in[6 + w], in[9 + w], in[12 + w], in[15 + w]};
          float y[12];
          weighted_rows<12>(x, &T.imdct_short[0][0], 12, 6, y);
          for (int i = 0; i < 12; ++i) z[6 + 6 * w + i] += y[i];
        }
      }
      for (int t = 0; t < 18; ++t) {
        slots[t][sb] = z[t] + overlap[t];
        overlap[t] = z[t + 18];
      }
    }
    if (sb & 1)
      for (int t = 1; t < 18; t += 2) slots[t][sb] = -slots[t][sb];
  }
}

// --- Polyphase synthesis ----------------------------------------------------------------

namespace {

// 32-point DCT-II without normalisation, X[m] = sum of x[k] cos((2k + 1) m pi / 64),
// in place. One halving step: the even outputs are the 16-point DCT of
// x[k] + x[31-k], the odd ones sums of neighbouring outputs of the 16-point DCT of
// (x[k] - x[31-k]) / (2 cos((2k+1) pi / 64)); the 16-point DCTs are direct.
void dct32(float* x, const ComputedTables& T) {
  float even[16], odd[16], even_out[16], odd_out[16];
  const float* factor = T.dct_factor[32];
  for (int k = 0; k < 16; ++k) {
    even[k] = x[k] + x[31 - k];
    odd[k] = (x[k] - x[31 - k]) * factor[k];
  }
  weighted_rows<16>(even, &T.dct16[0][0], 16, 16, even_out);
  weighted_rows<16>(odd, &T.dct16[0][0], 16, 16, odd_out);
  for (int m = 0; m < 16; ++m) {
    x[2 * m] = even_out[m];
    x[2 * m + 1] = odd_out[m] + (m < 15 ? odd_out[m + 1] : 0.0f);
  }
}

}  // namespace

void Layer3Decoder::synthesize_granule(int channels, int32_t* out) {
  const ComputedTables& T = computed_tables();
  for (int t = 0; t < 18; ++t) {
    synth_index_ -= 64;
    if (synth_index_ < 0) {
      for (int ch = 0; ch < channels; ++ch)
        std::memcpy(synth_buffer_[ch] + 1024, synth_buffer_[ch], 1024 * sizeof(float));
      synth_index_ += 1024;
    }
    for (int ch = 0; ch < channels; ++ch) {
      const float* s = slots_[ch][t];
      float* v = synth_buffer_[ch] + synth_index_;
      // V[i] = sum of s[k] cos((16 + i)(2k + 1) pi / 64): a 32-point DCT gives rows
      // 16..31 and, negated, 0..15 of the cosine table; the rest repeat up to sign.
      float x[32];
      for (int k = 0; k < 32; ++k) x[k] = s[k];
      dct32(x, T);
      for (int i = 0; i < 16; ++i) v[i] = x[16 + i];
      for (int i = 48; i < 64; ++i) v[i] = -x[i - 48];
      v[16] = 0.0f;
      for (int j = 1; j <= 16; ++j) v[16 + j] = -v[16 - j];
      for (int j = 17; j < 32; ++j) v[16 + j] = v[80 - j];

      float sum[32];
      windowed_sum(v, T.window, sum);
      int32_t* o = out + t * 32 * channels + ch;
      for (int j = 0; j < 32; ++j) {
        float x = sum[j] > kPeak ? kPeak : sum[j] < -kPeak ? -kPeak : sum[j];
        o[j * channels] = int32_t(x);
      }
    }
  }
}

}  // namespace mp3
}  // namespace vt

