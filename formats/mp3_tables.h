// Constant tables of MPEG audio Layer III (ISO/IEC 11172-3 and 13818-3), and the
// tables computed from them once per process.
#pragma once
#include <cstdint>

namespace vt {
namespace mp3 {

struct HuffmanCode {
  uint8_t length;  // hlen
  uint32_t code;   // hcod, right-aligned
};

struct PairTableInfo {
  const HuffmanCode* codes;  // side * side codes, x major; null for tables without codes
  uint8_t side;
  uint8_t linbits;
};

extern const PairTableInfo kPairTables[32];
extern const HuffmanCode* const kQuadTables[2];

// Bit rates in kbit/s by index, [0] MPEG-1, [1] MPEG-2 and 2.5; index 0 (free) and 15 are 0.
extern const uint16_t kBitRateKbps[2][16];
extern const int32_t kSampleRates[3];  // MPEG-1 rates; shifted right by the version shift

// Scale-factor band boundaries: nine rows (44.1, 48, 32, 22.05, 24, 16, 11.025, 12, 8 kHz).
extern const uint16_t kLongBands[9][23];
extern const uint16_t kShortBands[9][14];

extern const uint8_t kSlen[2][16];              // MPEG-1 slen1 / slen2 by scalefac_compress
extern const uint8_t kPretab[22];
extern const uint8_t kLsfBandCounts[6][3][4];   // MPEG-2 scale-factor partitions
extern const int32_t kSynthesisWindow[512];     // D[i] times 65536
extern const float kAliasCoefficients[8];

}  // namespace mp3
}  // namespace vt
