// The computed tables of Layer III decoding.
#include "formats/mp3_computed_tables.h"

#include <cmath>

#include "formats/mp3_tables.h"

namespace vt {
namespace mp3 {

namespace {

void build_lookup(const HuffmanCode* codes, int count, int side, HuffmanLookup* out) {
  int longest = 0;
  for (int i = 0; i < count; ++i) longest = codes[i].length > longest ? codes[i].length : longest;
  int primary = longest < 8 ? longest : 8;
  out->primary_bits = primary;
  out->entries.assign(size_t(1) << primary, 0);
  auto symbol = [&](int i) { return uint32_t(side ? ((i / side) << 4 | (i % side)) : i); };
  for (int i = 0; i < count; ++i) {
    int len = codes[i].length;
    if (len > primary) continue;
    uint32_t first = codes[i].code << (primary - len);
    for (uint32_t f = 0; f < (1u << (primary - len)); ++f)
      out->entries[first | f] = uint32_t(len) << 16 | symbol(i);
  }
  for (uint32_t prefix = 0; prefix < (1u << primary); ++prefix) {
    int width = 0;
    for (int i = 0; i < count; ++i) {
      int len = codes[i].length;
      if (len > primary && (codes[i].code >> (len - primary)) == prefix && len - primary > width)
        width = len - primary;
    }
    if (!width) continue;
    uint32_t offset = uint32_t(out->entries.size());
    out->entries.resize(offset + (size_t(1) << width), 0);
    out->entries[prefix] = 0x80000000u | uint32_t(width) << 24 | offset;
    for (int i = 0; i < count; ++i) {
      int len = codes[i].length;
      if (len <= primary || (codes[i].code >> (len - primary)) != prefix) continue;
      int rest = len - primary;
      uint32_t first = (codes[i].code & ((1u << rest) - 1)) << (width - rest);
      for (uint32_t f = 0; f < (1u << (width - rest)); ++f)
        out->entries[offset + (first | f)] = uint32_t(len) << 16 | symbol(i);
    }
  }
}

}  // namespace

ComputedTables::ComputedTables() {
  const double pi = 3.14159265358979323846;
  for (int n = 2; n <= 32; n *= 2)
    for (int k = 0; k < n / 2; ++k) dct_factor[n][k] = float(0.5 / std::cos((2 * k + 1) * pi / (2 * n)));
  for (int k = 0; k < 16; ++k)
    for (int m = 0; m < 16; ++m) dct16[k][m] = float(std::cos((2 * k + 1) * m * pi / 32));
  for (int g = 0; g < 256; ++g) gain_pow[g] = float(std::pow(2.0, (g - 210) / 4.0));
  for (int j = 0; j < 65; ++j) scalefactor_pow[j] = float(std::pow(2.0, -j / 2.0));
  for (int j = 0; j < 8207; ++j) pow43[j] = float(std::pow(double(j), 4.0 / 3.0));
  for (int i = 0; i < 512; ++i) window[i] = float(kSynthesisWindow[i] / 65536.0 * 524288.0);

  double win[4][36];
  for (int i = 0; i < 36; ++i) win[0][i] = std::sin(pi / 36 * (i + 0.5));
  for (int i = 0; i < 36; ++i) {
    win[1][i] = i < 18 ? win[0][i] : i < 24 ? 1.0 : i < 30 ? std::sin(pi / 12 * (i - 18 + 0.5)) : 0.0;
    win[3][i] = i < 6 ? 0.0 : i < 12 ? std::sin(pi / 12 * (i - 6 + 0.5)) : i < 18 ? 1.0 : win[0][i];
    win[2][i] = 0.0;
  }
  for (int t = 0; t < 4; ++t)
    for (int i = 0; i < 36; ++i) window_long[t][i] = float(win[t][i]);
  // Outputs 0..8 and 18..26; the others follow from y[17 - i] = -y[i], y[53 - i] = y[i].
  for (int k = 0; k < 18; ++k)
    for (int o = 0; o < 20; ++o) {
      int i = o < 9 ? o : o + 9;
      imdct_long[k][o] = o < 18 ? float(std::cos(pi / 72 * (2 * i + 19) * (2 * k + 1))) : 0.0f;
    }
  for (int i = 0; i < 12; ++i)
    for (int k = 0; k < 6; ++k)
      imdct_short[k][i] =
          float(std::sin(pi / 12 * (i + 0.5)) * std::cos(pi / 24 * (2 * i + 7) * (2 * k + 1)));
  for (int i = 0; i < 8; ++i) {
    double c = kAliasCoefficients[i];
    alias_cs[i] = float(1.0 / std::sqrt(1.0 + c * c));
    alias_ca[i] = float(c / std::sqrt(1.0 + c * c));
  }
  for (int p = 0; p < 7; ++p) {
    if (p == 6) {
      is_mpeg1[p][0] = 1.0f;
      is_mpeg1[p][1] = 0.0f;
      continue;
    }
    double ratio = std::tan(p * pi / 12);
    is_mpeg1[p][0] = float(ratio / (1 + ratio));
    is_mpeg1[p][1] = float(1 / (1 + ratio));
  }
  for (int s = 0; s < 2; ++s) {
    double io = s ? std::sqrt(0.5) : std::pow(2.0, -0.25);
    for (int p = 0; p < 32; ++p) {
      double l = 1, r = 1;
      if (p & 1) l = std::pow(io, (p + 1) / 2);
      else if (p) r = std::pow(io, p / 2);
      is_mpeg2[s][p][0] = float(l);
      is_mpeg2[s][p][1] = float(r);
    }
  }
  for (int t = 0; t < 32; ++t)
    if (kPairTables[t].codes)
      build_lookup(kPairTables[t].codes, kPairTables[t].side * kPairTables[t].side,
                   kPairTables[t].side, &pairs[t]);
  for (int q = 0; q < 2; ++q) build_lookup(kQuadTables[q], 16, 0, &quads[q]);
  for (int pattern = 0; pattern < 16; ++pattern) {
    int count = 0;
    for (int q = 0; q < 4; ++q) count += pattern >> (3 - q) & 1;
    quad_sign_bits[pattern] = uint8_t(count);
    for (int signs = 0; signs < 16; ++signs) {
      uint32_t* m = quad_masks[pattern << 4 | signs];
      int taken = 0;
      for (int q = 0; q < 4; ++q) {
        bool nonzero = pattern >> (3 - q) & 1;
        bool negative = nonzero && (signs >> (3 - taken) & 1);
        taken += nonzero;
        m[q] = nonzero ? 0xFFFFFFFFu : 0;
        m[4 + q] = negative ? 0x80000000u : 0;
      }
    }
  }
}

const ComputedTables& computed_tables() {
  static const ComputedTables* instance = new ComputedTables();
  return *instance;
}

}  // namespace mp3
}  // namespace vt
