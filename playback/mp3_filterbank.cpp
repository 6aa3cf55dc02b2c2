// The synthesis half of Layer III decoding: aliasing reduction, the hybrid filter
// bank (IMDCT, windowing, overlap-add, frequency inversion) and the polyphase
// synthesis filter bank with its 32-point DCT. Output is in sample units (full
// scale +-2^19), truncated, and kept within the reader's peak bound.
#include <cstring>

#include "playback/mp3_computed_tables.h"
#include "playback/mp3_layer3.h"

namespace vt {
namespace mp3 {

namespace {

constexpr float kPeak = 2097152.0f;  // 0x200000, the reader's peak bound

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
        alignas(16) float y[20];
        for (int o = 0; o < 20; ++o) y[o] = 0.0f;
        for (int k = 0; k < 18; ++k) {
          float x = in[k];
          const float* row = T.imdct_long[k];
          for (int o = 0; o < 20; ++o) y[o] += x * row[o];
        }
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
          float y[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
          for (int k = 0; k < 6; ++k) {
            float x = in[3 * k + w];
            for (int i = 0; i < 12; ++i) y[i] += x * T.imdct_short[k][i];
          }
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

// DCT-II without normalisation, X[m] = sum of x[k] cos((2k + 1) m pi / 2n), in place.
// Each step halves the size: even outputs are the DCT of x[k] + x[n-1-k], odd ones
// the sums of neighbouring outputs of the DCT of (x[k] - x[n-1-k]) / (2 cos((2k+1) pi / 2n)).
void dct_halving(float* x, int n, float* scratch, const ComputedTables& T) {
  if (n == 16) {
    float out[16];
    for (int m = 0; m < 16; ++m) out[m] = 0.0f;
    for (int k = 0; k < 16; ++k)
      for (int m = 0; m < 16; ++m) out[m] += x[k] * T.dct16[k][m];
    for (int m = 0; m < 16; ++m) x[m] = out[m];
    return;
  }
  int h = n / 2;
  float* even = scratch;
  float* odd = scratch + h;
  const float* factor = T.dct_factor[n];
  for (int k = 0; k < h; ++k) {
    even[k] = x[k] + x[n - 1 - k];
    odd[k] = (x[k] - x[n - 1 - k]) * factor[k];
  }
  dct_halving(even, h, scratch + n, T);
  dct_halving(odd, h, scratch + n, T);
  for (int m = 0; m < h; ++m) {
    x[2 * m] = even[m];
    x[2 * m + 1] = odd[m] + (m + 1 < h ? odd[m + 1] : 0.0f);
  }
}

void dct32(float* x, float* scratch) { dct_halving(x, 32, scratch, computed_tables()); }

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
      float x[32], scratch[128];
      for (int k = 0; k < 32; ++k) x[k] = s[k];
      dct32(x, scratch);
      for (int i = 0; i < 16; ++i) v[i] = x[16 + i];
      for (int i = 48; i < 64; ++i) v[i] = -x[i - 48];
      v[16] = 0.0f;
      for (int j = 1; j <= 16; ++j) v[16 + j] = -v[16 - j];
      for (int j = 17; j < 32; ++j) v[16 + j] = v[80 - j];

      float sum[32];
      for (int j = 0; j < 32; ++j) sum[j] = 0.0f;
      for (int i = 0; i < 8; ++i) {
        const float* a = v + 128 * i;
        const float* b = v + 128 * i + 96;
        const float* da = T.window + 64 * i;
        const float* db = T.window + 64 * i + 32;
        for (int j = 0; j < 32; ++j) sum[j] += a[j] * da[j] + b[j] * db[j];
      }
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

