// Tables of Layer III decoding computed once per process from the stored ones:
// powers, filter-bank and synthesis coefficients, intensity ratios and the
// Huffman tables as lookups.
#pragma once
#include <cstdint>
#include <vector>

namespace vt {
namespace mp3 {

// A Huffman table as a two-level lookup: a primary index of the next few bits, and
// subtables for the longer codes. Entry: bit 31 set = subtable (bits 24..30 width,
// 0..23 offset); otherwise code length << 16 | symbol (x << 4 | y, or the quadruple).
struct HuffmanLookup {
  std::vector<uint32_t> entries;
  int primary_bits = 0;
};

struct ComputedTables {
  float dct_factor[33][16];        // 1 / (2 cos((2k + 1) pi / 2n)) for halving a DCT of size n
  float dct16[16][16];             // cos((2k + 1) m pi / 32), [k][m]: the smallest DCT, direct
  float gain_pow[256];             // 2^((g - 210) / 4)
  float scalefactor_pow[65];       // 2^(-j / 2)
  float pow43[8207];               // j^(4/3)
  float window[512];               // synthesis window D[i] times 2^19 (the output scale)
  // The 18 distinct outputs of the 36-point IMDCT, [k][output], padded to 20 for
  // four-wide arithmetic.
  alignas(16) float imdct_long[18][20];
  float window_long[4][36];        // windows of the block types
  float imdct_short[6][12];        // 12-point IMDCT of short blocks with the window folded in, [k][i]
  float alias_cs[8], alias_ca[8];
  float is_mpeg1[7][2];            // intensity ratios, left and right factors
  float is_mpeg2[2][32][2];        // [intensity_scale][position]
  // A count1 quadruple's four lines from its pattern and the four bits after its code,
  // [pattern << 4 | bits]: masks that keep the scale where a value is not zero, then
  // the sign bits to set; and how many sign bits each pattern takes.
  uint32_t quad_masks[256][8];
  uint8_t quad_sign_bits[16];
  HuffmanLookup pairs[32];
  HuffmanLookup quads[2];

  ComputedTables();
};

// Built by the first caller, kept for the life of the process.
const ComputedTables& computed_tables();

}  // namespace mp3
}  // namespace vt
