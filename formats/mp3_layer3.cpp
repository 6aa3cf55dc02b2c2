// Layer III decoding as ISO/IEC 11172-3 2.4.3.4 and ISO/IEC 13818-3 describe it,
// first half: headers, side information, bit reservoir, scale factors, Huffman
// decoding, requantisation and stereo processing (mp3_filterbank.cpp does the rest).
// Arithmetic is single-precision floating point.
#include "formats/mp3_layer3.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "formats/mp3_computed_tables.h"
#include "formats/mp3_tables.h"

namespace vt {
namespace mp3 {

namespace {

inline uint64_t big_endian64(uint64_t v) {
#if defined(__GNUC__)
  return __builtin_bswap64(v);  // the supported targets are little-endian
#else
  uint64_t r = 0;
  for (int i = 0; i < 8; ++i) r = r << 8 | (v >> (8 * i) & 0xFF);
  return r;
#endif
}

// Most-significant-bit-first reading from a byte buffer; bits past its end read as 0.
class BitReader {
 public:
  BitReader(const uint8_t* data, int bytes) : data_(data), bytes_(bytes) {}
  // The next 57 bits or more from bit `pos`, left-aligned.
  uint64_t peek57(int pos) const {
    int b = pos >> 3;
    uint64_t w = 0;
    if (b >= 0 && b + 8 <= bytes_) {
      uint64_t raw;
      std::memcpy(&raw, data_ + b, 8);  // one load where the buffer allows it
      w = big_endian64(raw);
    } else {
      for (int i = 0; i < 8; ++i) w = w << 8 | (b + i >= 0 && b + i < bytes_ ? data_[b + i] : 0);
    }
    return w << (pos & 7);
  }
  uint32_t peek32(int pos) const { return uint32_t(peek57(pos) >> 32); }
  uint32_t read(int* pos, int bits) const {
    if (bits <= 0) return 0;
    uint32_t v = peek32(*pos) >> (32 - bits);
    *pos += bits;
    return v;
  }

 private:
  const uint8_t* data_;
  int bytes_;
};

int band_row(int shift, int rate_index) { return shift * 3 + rate_index; }

bool g_fast = true;

// The lookup entry of the pair code at the top of `bits`: length << 16 | x << 4 | y.
inline uint32_t pair_entry(const uint32_t* entries, int primary, uint64_t bits) {
  uint32_t e = entries[bits >> (64 - primary)];
  if (e & 0x80000000u) {
    int width = int(e >> 24 & 0x7F);
    e = entries[(e & 0xFFFFFF) + ((bits << primary) >> (64 - width))];
  }
  return e;
}

// The value's magnitude raised to 4/3, negative when it is not zero and the sign bit
// (the top of `bits`) is set; as requantise() below, without a branch.
inline float signed_pow43(const float* pow43, int magnitude, int nonzero, uint64_t bits) {
  uint32_t m;
  float f = pow43[magnitude];
  std::memcpy(&m, &f, 4);
  m ^= uint32_t(bits >> 32) & 0x80000000u & (0u - uint32_t(nonzero));
  std::memcpy(&f, &m, 4);
  return f;
}

// Huffman decoding and requantisation of a long-block granule in one pass, straight
// into the spectrum: the same products as the two passes of decode_granule_channel
// (value^(4/3) with its sign, times the band's scale), without the values between
// them. Returns the lines decoded; the spectrum past them is left as it is.
int fused_long_lines(const BitReader& br, int* position, int end, int big, const int region_stop[2],
                     const int table_select[3], int count1_table, const uint16_t* lb,
                     const float* band_scale, float* xr) {
  const ComputedTables& T = computed_tables();
  const float* pow43 = T.pow43;
  int pos = *position;
  int i = 0;
  int band = 0;
  for (int region = 0; region < 3; ++region) {
    int stop = region < 2 ? region_stop[region] : big;
    if (stop > big) stop = big;
    if (i >= stop) continue;
    const PairTableInfo& info = kPairTables[table_select[region]];
    if (!info.codes) {
      for (; i < stop; ++i) xr[i] = 0.0f;
      while (band < 21 && lb[band + 1] <= i) ++band;
      continue;
    }
    const HuffmanLookup& lookup = T.pairs[table_select[region]];
    const uint32_t* entries = lookup.entries.data();
    int primary = lookup.primary_bits;
    int linbits = info.linbits;
    while (i < stop) {
      while (lb[band + 1] <= i) ++band;
      float scale = band_scale[band];
      int band_stop = lb[band + 1] < stop ? lb[band + 1] : stop;
      for (; i < band_stop; i += 2) {
        uint64_t bits = br.peek57(pos);
        uint32_t e = pair_entry(entries, primary, bits);
        // Without branches on the values, which follow no pattern a predictor could learn.
        int used = int(e >> 16);
        bits <<= used;
        int x = int(e >> 4 & 15), y = int(e & 15);
        int extra = x == 15 ? linbits : 0;
        x += int((bits >> 32) >> (32 - extra));  // 0 when extra is 0
        bits <<= extra;
        used += extra;
        int nonzero = x != 0;
        float fx = signed_pow43(pow43, x, nonzero, bits);
        bits <<= nonzero;
        used += nonzero;
        extra = y == 15 ? linbits : 0;
        y += int((bits >> 32) >> (32 - extra));
        bits <<= extra;
        used += extra;
        nonzero = y != 0;
        float fy = signed_pow43(pow43, y, nonzero, bits);
        used += nonzero;
        pos += used;
        xr[i] = fx * scale;
        xr[i + 1] = fy * scale;
      }
    }
  }
  const HuffmanLookup& lookup = T.quads[count1_table];
  const uint32_t* entries = lookup.entries.data();
  int primary = lookup.primary_bits;
  uint32_t scale_bits[22];
  std::memcpy(scale_bits, band_scale, sizeof(scale_bits));
  while (i <= 572 && pos < end) {
    uint64_t bits = br.peek57(pos);
    uint32_t e = entries[bits >> (64 - primary)];
    int code = int(e >> 16);
    int pattern = int(e & 15);
    // 1^(4/3) is 1: each product is the scale itself, with the value's sign, or zero.
    const uint32_t* masks = T.quad_masks[pattern << 4 | int((bits << code) >> 60)];
    int used = code + T.quad_sign_bits[pattern];
    if (pos + used > end) break;  // ran past part2_3_length: dropped
    pos += used;
    while (lb[band + 1] <= i) ++band;
    uint32_t lines[4];
    if (i + 4 <= lb[band + 1]) {
      for (int q = 0; q < 4; ++q) lines[q] = (scale_bits[band] & masks[q]) ^ masks[4 + q];
    } else {
      for (int q = 0, b = band; q < 4; ++q) {
        while (lb[b + 1] <= i + q) ++b;
        lines[q] = (scale_bits[b] & masks[q]) ^ masks[4 + q];
      }
    }
    std::memcpy(xr + i, lines, sizeof(lines));
    i += 4;
  }
  *position = pos;
  return i;
}

}  // namespace

void use_fast_paths(bool fast) { g_fast = fast; }
bool fast_paths() { return g_fast; }

// --- Frame headers -------------------------------------------------------------------

int32_t FrameHeader::sample_rate() const { return kSampleRates[rate_index] >> shift; }

int FrameHeader::frame_size() const {
  return int((shift ? 72 : 144) * int64_t(bit_rate) / sample_rate()) + padding;
}

int FrameHeader::side_info_size() const {
  if (shift == 0) return mode == 3 ? 17 : 32;
  return mode == 3 ? 9 : 17;
}

int FrameHeader::main_data_size() const {
  return frame_size() - 4 - side_info_size() - (protection ? 0 : 2);
}

bool FrameHeader::compatible(const FrameHeader& other) const {
  return shift == other.shift && rate_index == other.rate_index &&
         (mode == 3) == (other.mode == 3);
}

bool parse_header(const uint8_t b[4], FrameHeader* h) {
  if (b[0] != 0xFF || b[1] < 0xE0) return false;
  int version = b[1] >> 3 & 3;
  if (version == 1 || (b[1] & 6) != 2) return false;
  int shift = version == 3 ? 0 : version == 2 ? 1 : 2;
  int rate = kBitRateKbps[shift ? 1 : 0][b[2] >> 4];
  int rate_index = b[2] >> 2 & 3;
  if (rate == 0 || rate_index >= 3) return false;
  h->shift = uint8_t(shift);
  h->protection = b[1] & 1;
  h->bit_rate = rate * 1000;
  h->rate_index = uint8_t(rate_index);
  h->padding = b[2] >> 1 & 1;
  h->mode = b[3] >> 6;
  h->mode_extension = b[3] >> 4 & 3;
  return true;
}

// --- Decoder state -------------------------------------------------------------------

Layer3Decoder::Layer3Decoder() {
  computed_tables();
  FrameHeader h;
  configure(h);
}

void Layer3Decoder::configure(const FrameHeader& reference) {
  shift_ = reference.shift;
  band_row_ = band_row(reference.shift, reference.rate_index);
  const uint16_t* sb = kShortBands[band_row_];
  int k = 0;
  for (int band = 0; band < 13; ++band)
    for (int w = 0; w < 3; ++w)
      for (int f = sb[band]; f < sb[band + 1]; ++f) reorder_short_[k++] = uint16_t(3 * f + w);
  int long_part = 3 * sb[3];
  for (int i = 0; i < 576; ++i) reorder_mixed_[i] = i < long_part ? uint16_t(i) : reorder_short_[i];
  mixed_long_bands_ = 0;
  while (mixed_long_bands_ < 22 && kLongBands[band_row_][mixed_long_bands_] < long_part) ++mixed_long_bands_;
  reservoir_fill_ = 0;
  // Scale factors can be inherited from an earlier granule (scfsi), even one that
  // was never decoded: start them from zero.
  std::memset(scalefac_l_, 0, sizeof(scalefac_l_));
  std::memset(scalefac_s_, 0, sizeof(scalefac_s_));
  std::memset(is_max_l_, 0, sizeof(is_max_l_));
  std::memset(is_max_s_, 0, sizeof(is_max_s_));
  std::memset(scfsi_, 0, sizeof(scfsi_));
  reset_filter_state();
}

void Layer3Decoder::reset_filter_state() {
  std::memset(overlap_, 0, sizeof(overlap_));
  std::memset(synth_buffer_, 0, sizeof(synth_buffer_));
  synth_index_ = 1088;
}

bool Layer3Decoder::read_side_info(const FrameHeader& h, const uint8_t* side_info) {
  BitReader br(side_info, h.side_info_size());
  int pos = 0;
  int channels = h.channels();
  bool lsf = h.shift != 0;
  main_data_begin_ = int(br.read(&pos, lsf ? 8 : 9));
  pos += lsf ? (channels == 1 ? 1 : 2) : (channels == 1 ? 5 : 3);
  if (!lsf)
    for (int ch = 0; ch < channels; ++ch)
      for (int band = 0; band < 4; ++band) scfsi_[ch][band] = uint8_t(br.read(&pos, 1));
  bool intensity = h.mode == 1 && (h.mode_extension & 1);
  const uint16_t* lb = kLongBands[band_row_];
  const uint16_t* sb = kShortBands[band_row_];
  for (int gr = 0; gr < h.granules(); ++gr) {
    for (int ch = 0; ch < channels; ++ch) {
      Granule& g = side_[gr][ch];
      g.part2_3_length = int(br.read(&pos, 12));
      g.big_values = int(br.read(&pos, 9));
      if (g.big_values > 288) g.big_values = 288;
      g.global_gain = int(br.read(&pos, 8));
      g.scalefac_compress = int(br.read(&pos, lsf ? 9 : 4));
      g.intensity_scale = 0;
      if (lsf && ch == 1 && intensity) g.intensity_scale = g.scalefac_compress & 1;
      g.window_switching = int(br.read(&pos, 1));
      if (g.window_switching) {
        g.block_type = int(br.read(&pos, 2));
        g.mixed = int(br.read(&pos, 1));
        g.table_select[0] = int(br.read(&pos, 5));
        g.table_select[1] = int(br.read(&pos, 5));
        g.table_select[2] = 0;
        for (int w = 0; w < 3; ++w) g.subblock_gain[w] = int(br.read(&pos, 3));
        if (g.block_type == 0) {
          // Not allowed with window switching; decode it as a plain long block.
          g.window_switching = 0;
          g.mixed = 0;
        }
        if (g.block_type == 2) g.region1_start = 3 * sb[3];
        else g.region1_start = lb[8];
        g.region2_start = 576;
      } else {
        g.block_type = 0;
        g.mixed = 0;
        for (int r = 0; r < 3; ++r) g.table_select[r] = int(br.read(&pos, 5));
        for (int w = 0; w < 3; ++w) g.subblock_gain[w] = 0;
        int region0 = int(br.read(&pos, 4));
        int region1 = int(br.read(&pos, 3));
        g.region1_start = lb[region0 + 1];
        int end = region0 + region1 + 2;
        g.region2_start = lb[end > 22 ? 22 : end];
      }
      g.preflag = lsf ? 0 : int(br.read(&pos, 1));
      g.scalefac_scale = int(br.read(&pos, 1));
      g.count1_table = int(br.read(&pos, 1));
    }
  }
  return true;
}

bool Layer3Decoder::decode(const FrameHeader& h, const uint8_t* side_info, const uint8_t* main_data,
                           int main_size, int32_t* out) {
  read_side_info(h, side_info);
  int keep = main_data_begin_ < reservoir_fill_ ? main_data_begin_ : reservoir_fill_;
  std::memmove(reservoir_, reservoir_ + reservoir_fill_ - keep, size_t(keep));
  if (main_size < 0) main_size = 0;
  if (main_size > kReservoirCapacity - keep) main_size = kReservoirCapacity - keep;
  std::memcpy(reservoir_ + keep, main_data, size_t(main_size));
  reservoir_fill_ = keep + main_size;
  if (keep < main_data_begin_) return false;

  int channels = h.channels();
  bit_position_ = 0;
  for (int gr = 0; gr < h.granules(); ++gr) {
    for (int ch = 0; ch < channels; ++ch) decode_granule_channel(gr, ch, h);
    if (channels == 2 && h.mode == 1) stereo(gr, h);
    for (int ch = 0; ch < channels; ++ch) hybrid(gr, ch);
    synthesize_granule(channels, out + gr * 576 * channels);
  }
  return true;
}

// --- Scale factors, Huffman decoding, requantisation --------------------------------

void Layer3Decoder::decode_granule_channel(int gr, int ch, const FrameHeader& h) {
  const ComputedTables& T = computed_tables();
  Granule& g = side_[gr][ch];
  BitReader br(reservoir_, reservoir_fill_);
  int pos = bit_position_;
  int end = pos + g.part2_3_length;
  bit_position_ = end;
  if (end > reservoir_fill_ * 8) end = reservoir_fill_ * 8;
  bool short_blocks = g.window_switching && g.block_type == 2;
  uint8_t* sf_l = scalefac_l_[ch];
  uint8_t(*sf_s)[3] = scalefac_s_[ch];

  if (shift_ == 0) {
    int slen1 = kSlen[0][g.scalefac_compress], slen2 = kSlen[1][g.scalefac_compress];
    if (short_blocks) {
      int first = 0;
      if (g.mixed) {
        for (int band = 0; band < 8; ++band) sf_l[band] = uint8_t(br.read(&pos, slen1));
        first = 3;
      }
      for (int band = first; band < 12; ++band)
        for (int w = 0; w < 3; ++w) sf_s[band][w] = uint8_t(br.read(&pos, band < 6 ? slen1 : slen2));
      sf_s[12][0] = sf_s[12][1] = sf_s[12][2] = 0;
    } else {
      static const int kGroupStart[5] = {0, 6, 11, 16, 21};
      for (int group = 0; group < 4; ++group) {
        if (gr == 1 && scfsi_[ch][group]) continue;  // the first granule's values stay
        for (int band = kGroupStart[group]; band < kGroupStart[group + 1]; ++band)
          sf_l[band] = uint8_t(br.read(&pos, group < 2 ? slen1 : slen2));
      }
      sf_l[21] = 0;
    }
  } else {
    // ISO/IEC 13818-3 2.4.3.2: scalefac_compress splits into up to four lengths.
    int sfc = g.scalefac_compress;
    bool intensity_right = ch == 1 && h.mode == 1 && (h.mode_extension & 1);
    int slen[4] = {0, 0, 0, 0};
    int table;
    if (!intensity_right) {
      if (sfc < 400) {
        slen[0] = (sfc >> 4) / 5; slen[1] = (sfc >> 4) % 5; slen[2] = (sfc & 15) >> 2; slen[3] = sfc & 3;
        table = 0;
      } else if (sfc < 500) {
        int x = sfc - 400;
        slen[0] = (x >> 2) / 5; slen[1] = (x >> 2) % 5; slen[2] = x & 3;
        table = 1;
      } else {
        int x = sfc - 500;
        slen[0] = x / 3; slen[1] = x % 3;
        table = 2;
        g.preflag = 1;
      }
    } else {
      int x = sfc >> 1;
      if (x < 180) {
        slen[0] = x / 36; slen[1] = (x % 36) / 6; slen[2] = (x % 36) % 6;
        table = 3;
      } else if (x < 244) {
        int y = x - 180;
        slen[0] = (y & 63) >> 4; slen[1] = (y & 15) >> 2; slen[2] = y & 3;
        table = 4;
      } else {
        int y = x - 244;
        slen[0] = y / 3; slen[1] = y % 3;
        table = 5;
      }
    }
    int kind = short_blocks ? (g.mixed ? 2 : 1) : 0;
    const uint8_t* counts = kLsfBandCounts[table][kind];
    if (kind == 0) {
      int band = 0;
      for (int p = 0; p < 4; ++p)
        for (int i = 0; i < counts[p] && band < 21; ++i, ++band) {
          sf_l[band] = uint8_t(br.read(&pos, slen[p]));
          is_max_l_[band] = uint8_t((1 << slen[p]) - 1);
        }
      for (; band < 22; ++band) {
        sf_l[band] = 0;
        is_max_l_[band] = 0;
      }
    } else {
      int band = 0, p = 0;
      if (kind == 2) {
        for (int i = 0; i < counts[0] && i < 22; ++i) {
          sf_l[i] = uint8_t(br.read(&pos, slen[0]));
          is_max_l_[i] = uint8_t((1 << slen[0]) - 1);
        }
        band = 3;
        p = 1;
      }
      for (; p < 4; ++p)
        for (int i = 0; i < counts[p] / 3 && band < 12; ++i, ++band) {
          for (int w = 0; w < 3; ++w) sf_s[band][w] = uint8_t(br.read(&pos, slen[p]));
          is_max_s_[band] = uint8_t((1 << slen[p]) - 1);
        }
      for (; band < 13; ++band) {
        sf_s[band][0] = sf_s[band][1] = sf_s[band][2] = 0;
        is_max_s_[band] = 0;
      }
    }
  }

  const uint16_t* lb = kLongBands[band_row_];
  const uint16_t* sb = kShortBands[band_row_];
  float gain = T.gain_pow[g.global_gain];
  int multiplier = 1 + g.scalefac_scale;
  float* xr = xr_[ch];
  if (g_fast && !short_blocks) {
    float band_scale[22];
    for (int band = 0; band < 22; ++band) {
      int j = multiplier * (sf_l[band] + (g.preflag ? kPretab[band] : 0));
      band_scale[band] = gain * T.scalefactor_pow[j < 64 ? j : 64];
    }
    int region_stop[2] = {g.region1_start, g.region2_start};
    int n = fused_long_lines(br, &pos, end, g.big_values * 2, region_stop, g.table_select, g.count1_table,
                             lb, band_scale, xr);
    std::memset(xr + n, 0, sizeof(float) * size_t(576 - n));
    nonzero_end_[ch] = n;
    return;
  }

  // Huffman decoding of the big values (three regions) and the count1 quadruples.
  int values[576];
  int big = g.big_values * 2;
  int i = 0;
  for (int region = 0; region < 3; ++region) {
    int stop = region == 0 ? g.region1_start : region == 1 ? g.region2_start : big;
    if (stop > big) stop = big;
    const PairTableInfo& info = kPairTables[g.table_select[region]];
    if (!info.codes) {
      for (; i < stop; ++i) values[i] = 0;
      continue;
    }
    const HuffmanLookup& lookup = T.pairs[g.table_select[region]];
    const uint32_t* entries = lookup.entries.data();
    int primary = lookup.primary_bits;
    int linbits = info.linbits;
    for (; i < stop; i += 2) {
      // One peek covers the code (at most 19 bits) and both values' linbits and
      // signs (at most 2 x 14 bits).
      uint64_t bits = br.peek57(pos);
      uint32_t e = pair_entry(entries, primary, bits);
      int used = int(e >> 16);
      bits <<= used;
      int x = int(e >> 4 & 15), y = int(e & 15);
      if (x == 15 && linbits) {
        x += int(bits >> (64 - linbits));
        bits <<= linbits;
        used += linbits;
      }
      if (x) {
        if (bits >> 63) x = -x;
        bits <<= 1;
        ++used;
      }
      if (y == 15 && linbits) {
        y += int(bits >> (64 - linbits));
        bits <<= linbits;
        used += linbits;
      }
      if (y) {
        if (bits >> 63) y = -y;
        ++used;
      }
      pos += used;
      values[i] = x;
      values[i + 1] = y;
    }
  }
  {
    const HuffmanLookup& lookup = T.quads[g.count1_table];
    const uint32_t* entries = lookup.entries.data();
    int primary = lookup.primary_bits;
    while (i <= 572 && pos < end) {
      uint32_t e = entries[br.peek32(pos) >> (32 - primary)];
      int p = pos + int(e >> 16);
      int quad[4];
      for (int q = 0; q < 4; ++q) {
        quad[q] = int(e >> (3 - q) & 1);
        if (quad[q] && br.read(&p, 1)) quad[q] = -1;
      }
      if (p > end) break;  // ran past part2_3_length: dropped
      pos = p;
      for (int q = 0; q < 4; ++q) values[i + q] = quad[q];
      i += 4;
    }
  }
  nonzero_end_[ch] = i;

  // Requantisation into the reordered spectrum.
  std::memset(xr, 0, sizeof(xr_[ch]));
  int n = i;
  const float* pow43 = T.pow43;
  auto requantise = [pow43](int v) {  // pow43[0] is 0: zeros need no branch
    float m = pow43[v < 0 ? -v : v];
    return v < 0 ? -m : m;
  };
  int long_bands = short_blocks ? (g.mixed ? mixed_long_bands_ : 0) : 22;
  int k = 0;
  for (int band = 0; band < long_bands && k < n; ++band) {
    int j = multiplier * (sf_l[band] + (g.preflag ? kPretab[band] : 0));
    float scale = gain * T.scalefactor_pow[j < 64 ? j : 64];
    int stop = lb[band + 1] < n ? lb[band + 1] : n;
    for (; k < stop; ++k) xr[k] = requantise(values[k]) * scale;
  }
  if (short_blocks) {
    const uint16_t* map = g.mixed ? reorder_mixed_ : reorder_short_;
    for (int band = g.mixed ? 3 : 0; band < 13 && k < n; ++band) {
      int width = sb[band + 1] - sb[band];
      for (int w = 0; w < 3 && k < n; ++w) {
        int j = multiplier * sf_s[band][w];
        float scale = gain * std::ldexp(T.scalefactor_pow[j < 64 ? j : 64], -2 * g.subblock_gain[w]);
        int stop = k + width < n ? k + width : n;
        for (; k < stop; ++k) xr[map[k]] = requantise(values[k]) * scale;
      }
    }
    nonzero_end_[ch] = 576;  // reordering spreads the values over the whole granule
  }
}

// --- Stereo processing ---------------------------------------------------------------

void Layer3Decoder::stereo(int gr, const FrameHeader& h) {
  const ComputedTables& T = computed_tables();
  bool ms = (h.mode_extension & 2) != 0;
  bool intensity = (h.mode_extension & 1) != 0;
  float* left = xr_[0];
  float* right = xr_[1];
  int n = nonzero_end_[0] > nonzero_end_[1] ? nonzero_end_[0] : nonzero_end_[1];
  const float r2 = 0.7071067811865476f;
  if (!intensity) {
    if (!ms) return;
    for (int k = 0; k < n; ++k) {
      float m = left[k], s = right[k];
      left[k] = (m + s) * r2;
      right[k] = (m - s) * r2;
    }
    nonzero_end_[0] = nonzero_end_[1] = n;
    return;
  }

  // Intensity positions per line of the right channel; -1 where there is none.
  int8_t position[576];
  std::memset(position, -1, sizeof(position));
  const Granule& g = side_[gr][1];
  const uint16_t* lb = kLongBands[band_row_];
  const uint16_t* sb = kShortBands[band_row_];
  bool lsf = shift_ != 0;
  auto legal = [&](int p, int max) { return lsf ? p != max : p < 7; };

  auto long_part = [&](int band_end) {
    int last = -1;
    for (int k = lb[band_end] - 1; k >= 0; --k)
      if (right[k] != 0.0f) { last = k; break; }
    int band = 0;
    if (last >= 0) {
      while (band < band_end && lb[band + 1] <= last) ++band;
      ++band;
    }
    // The last band has no scale factor of its own: it repeats band 20's position
    // when band 20 is coded in intensity stereo; otherwise MPEG-1 leaves it alone
    // and MPEG-2 uses position 0.
    int previous = lsf ? 0 : -1;
    for (; band < band_end; ++band) {
      int p = previous;
      if (band < 21) {
        p = scalefac_l_[1][band];
        if (!legal(p, lsf ? is_max_l_[band] : 7)) p = -1;
        previous = p;
      }
      if (p < 0) continue;
      for (int k = lb[band]; k < lb[band + 1]; ++k) position[k] = int8_t(p);
    }
  };

  bool short_blocks = g.window_switching && g.block_type == 2;
  if (!short_blocks) {
    long_part(22);
  } else {
    int first = g.mixed ? 3 : 0;
    bool any_short = false;
    for (int w = 0; w < 3; ++w) {
      int last_band = first - 1;
      for (int band = 12; band >= first && last_band < first; --band)
        for (int f = sb[band]; f < sb[band + 1]; ++f)
          if (right[3 * f + w] != 0.0f) { last_band = band; break; }
      if (last_band >= first) any_short = true;
      int previous = lsf ? 0 : -1;  // band 12 follows band 11 as the last long band does
      for (int band = last_band + 1; band < 13; ++band) {
        int p = previous;
        if (band < 12) {
          p = scalefac_s_[1][band][w];
          if (!legal(p, lsf ? is_max_s_[band] : 7)) p = -1;
          previous = p;
        }
        if (p < 0) continue;
        for (int f = sb[band]; f < sb[band + 1]; ++f) position[3 * f + w] = int8_t(p);
      }
    }
    if (g.mixed && !any_short) long_part(mixed_long_bands_);
  }

  for (int k = 0; k < 576; ++k) {
    int p = position[k];
    if (p >= 0) {
      float v = left[k];
      const float* ratio = lsf ? T.is_mpeg2[g.intensity_scale][p & 31] : T.is_mpeg1[p];
      left[k] = v * ratio[0];
      right[k] = v * ratio[1];
    } else if (ms && k < n) {
      float m = left[k], s = right[k];
      left[k] = (m + s) * r2;
      right[k] = (m - s) * r2;
    }
  }
  nonzero_end_[0] = nonzero_end_[1] = 576;
}

}  // namespace mp3
}  // namespace vt
