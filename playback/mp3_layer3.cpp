// Layer III decoding as ISO/IEC 11172-3 2.4.3.4 and ISO/IEC 13818-3 describe it:
// side information, bit reservoir, scale factors, Huffman decoding, requantisation,
// stereo processing, aliasing reduction, hybrid filter bank and polyphase synthesis.
// Arithmetic is single-precision floating point; output is in sample units
// (full scale +-2^19), truncated, and kept within the declared peak bound.
#include "playback/mp3_layer3.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "playback/mp3_tables.h"

namespace vt {
namespace mp3 {

namespace {

constexpr float kPeak = 2097152.0f;  // 0x200000, the reader's peak bound

// A Huffman table as a two-level lookup: a primary index of the next few bits, and
// subtables for the longer codes. Entry: bit 31 set = subtable (bits 24..30 width,
// 0..23 offset); otherwise code length << 16 | symbol.
struct HuffmanLookup {
  std::vector<uint32_t> entries;
  int primary_bits = 0;
};

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

// Computed once per process, by the first decoder made.
struct Tables {
  float dct_factor[33][16];        // 1 / (2 cos((2k + 1) pi / 2n)) for the halving DCT of size n
  float dct8[8][8];                // cos((2k + 1) m pi / 16), [k][m]: the smallest DCT, direct
  float gain_pow[256];             // 2^((g - 210) / 4)
  float scalefactor_pow[65];       // 2^(-j / 2)
  float pow43[8207];               // j^(4/3)
  float window[512];               // synthesis window D[i] times 2^19 (the output scale)
  alignas(16) float imdct_long[18][20];  // the 18 distinct outputs of the 36-point IMDCT, [k][output], padded
  float window_long[4][36];        // windows of the block types
  float imdct_short[6][12];        // the same for the 12-point IMDCT of short blocks, [k][i]
  float alias_cs[8], alias_ca[8];
  float is_mpeg1[7][2];            // intensity ratios, left and right factors
  float is_mpeg2[2][32][2];        // [intensity_scale][position]
  HuffmanLookup pairs[32];
  HuffmanLookup quads[2];

  Tables() {
    const double pi = 3.14159265358979323846;
    for (int n = 2; n <= 32; n *= 2)
      for (int k = 0; k < n / 2; ++k) dct_factor[n][k] = float(0.5 / std::cos((2 * k + 1) * pi / (2 * n)));
    for (int k = 0; k < 8; ++k)
      for (int m = 0; m < 8; ++m) dct8[k][m] = float(std::cos((2 * k + 1) * m * pi / 16));
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
  }
};

const Tables& tables() {
  static const Tables* instance = new Tables();  // kept for the life of the process
  return *instance;
}

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
  uint32_t peek32(int pos) const {
    int b = pos >> 3;
    uint64_t w = 0;
    if (b >= 0 && b + 8 <= bytes_) {
      uint64_t raw;
      std::memcpy(&raw, data_ + b, 8);  // one load where the buffer allows it
      w = big_endian64(raw) >> 24;
    } else {
      for (int i = 0; i < 5; ++i) w = w << 8 | (b + i >= 0 && b + i < bytes_ ? data_[b + i] : 0);
    }
    return uint32_t((w << (24 + (pos & 7))) >> 32);
  }
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

}  // namespace

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
  tables();
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
  const Tables& T = tables();
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
      uint32_t bits = br.peek32(pos);
      uint32_t e = entries[bits >> (32 - primary)];
      if (e & 0x80000000u) {
        int width = int(e >> 24 & 0x7F);
        e = entries[(e & 0xFFFFFF) + ((bits << primary) >> (32 - width))];
      }
      pos += int(e >> 16);
      int x = int(e >> 4 & 15), y = int(e & 15);
      if (x == 15 && linbits) x += int(br.read(&pos, linbits));
      if (x && br.read(&pos, 1)) x = -x;
      if (y == 15 && linbits) y += int(br.read(&pos, linbits));
      if (y && br.read(&pos, 1)) y = -y;
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
  float* xr = xr_[ch];
  std::memset(xr, 0, sizeof(xr_[ch]));
  const uint16_t* lb = kLongBands[band_row_];
  const uint16_t* sb = kShortBands[band_row_];
  float gain = T.gain_pow[g.global_gain];
  int multiplier = 1 + g.scalefac_scale;
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
  const Tables& T = tables();
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

// --- Hybrid filter bank ----------------------------------------------------------------

void Layer3Decoder::hybrid(int gr, int ch) {
  const Tables& T = tables();
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
void dct_halving(float* x, int n, float* scratch, const Tables& T) {
  if (n == 8) {
    float out[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (int k = 0; k < 8; ++k)
      for (int m = 0; m < 8; ++m) out[m] += x[k] * T.dct8[k][m];
    for (int m = 0; m < 8; ++m) x[m] = out[m];
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

void dct32(float* x, float* scratch) { dct_halving(x, 32, scratch, tables()); }

}  // namespace

void Layer3Decoder::synthesize_granule(int channels, int32_t* out) {
  const Tables& T = tables();
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
