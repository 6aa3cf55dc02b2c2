// Header layouts of the WAV and AIFF files the program writes, and the 80-bit
// rate of AIFF. Sizes of 0xFFFFFFFF mark a recording that is still open.
#pragma once
#include <cstdint>

#include "formats/wave_format.h"

namespace vt {

constexpr int kPcmWavHeaderBytes = 46;
constexpr int kAiffHeaderBytes = 54;
constexpr int kCodecWavHeadBytes = 20;  // RIFF head and the "fmt " chunk head
constexpr uint32_t kOpenSize = 0xFFFFFFFFu;

// `data_bytes` of kOpenSize writes both sizes as kOpenSize.
void build_pcm_wav_header(uint8_t out[kPcmWavHeaderBytes], int channels, int rate, int bytes_per_sample,
                          uint32_t data_bytes);
// Head, descriptor (18 + extra bytes) and data chunk head; returns the bytes written into `out`,
// which must hold kCodecWavHeadBytes + 18 + extra size + 8.
int build_codec_wav_header(uint8_t* out, const FormatBuffer& format, uint32_t data_bytes);
// `data_bytes` of kOpenSize: FORM size 46 and SSND size kOpenSize, as while recording.
void build_aiff_header(uint8_t out[kAiffHeaderBytes], int channels, int rate, uint32_t frames, uint32_t data_bytes);

// Rate R as exponent 0x40, floor(log2 R) - 1 and R shifted to the top of a 32-bit mantissa.
void encode_aiff_rate(uint32_t rate, uint8_t out[10]);
// Upper 32 mantissa bits shifted right by 30 - second exponent byte, rounding half up;
// 0 when the number is out of the range that shift can express.
uint32_t decode_aiff_rate(const uint8_t in[10]);

inline void put_le16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void put_le32(uint8_t* p, uint32_t v) {
  put_le16(p, v);
  put_le16(p + 2, v >> 16);
}
inline void put_be16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline void put_be32(uint8_t* p, uint32_t v) {
  put_be16(p, v >> 16);
  put_be16(p + 2, v);
}
inline uint32_t get_le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint32_t get_be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}
inline uint16_t get_be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

}  // namespace vt
