#include "formats/file_headers.h"

#include <cstring>

namespace vt {

void build_pcm_wav_header(uint8_t out[kPcmWavHeaderBytes], int channels, int rate, int bytes_per_sample,
                          uint32_t data_bytes) {
  int frame_bytes = channels * bytes_per_sample;
  std::memcpy(out, "RIFF", 4);
  put_le32(out + 4, data_bytes == kOpenSize ? kOpenSize : data_bytes + 38);
  std::memcpy(out + 8, "WAVEfmt ", 8);
  put_le32(out + 16, 18);
  put_le16(out + 20, kFormatTagPcm);
  put_le16(out + 22, static_cast<uint32_t>(channels));
  put_le32(out + 24, static_cast<uint32_t>(rate));
  put_le32(out + 28, static_cast<uint32_t>(rate) * static_cast<uint32_t>(frame_bytes));
  put_le16(out + 32, static_cast<uint32_t>(frame_bytes));
  put_le16(out + 34, static_cast<uint32_t>(bytes_per_sample * 8));
  put_le16(out + 36, 0);
  std::memcpy(out + 38, "data", 4);
  put_le32(out + 42, data_bytes);
}

int build_codec_wav_header(uint8_t* out, const FormatBuffer& format, uint32_t data_bytes) {
  int record = format_record_size(format.format);
  uint32_t extra = static_cast<uint32_t>(record - 18);
  std::memcpy(out, "RIFF", 4);
  put_le32(out + 4, data_bytes == kOpenSize ? kOpenSize : extra + data_bytes + 38);
  std::memcpy(out + 8, "WAVEfmt ", 8);
  put_le32(out + 16, static_cast<uint32_t>(record));
  WaveFormat head = format.format;
  head.extra_size = static_cast<uint16_t>(extra);
  encode_wave_format(head, out + kCodecWavHeadBytes);
  std::memcpy(out + kCodecWavHeadBytes + 18, format.extra, extra);
  uint8_t* data_head = out + kCodecWavHeadBytes + record;
  std::memcpy(data_head, "data", 4);
  put_le32(data_head + 4, data_bytes);
  return kCodecWavHeadBytes + record + 8;
}

void build_aiff_header(uint8_t out[kAiffHeaderBytes], int channels, int rate, uint32_t frames, uint32_t data_bytes) {
  bool open = data_bytes == kOpenSize;
  std::memcpy(out, "FORM", 4);
  put_be32(out + 4, open ? 46 : data_bytes + 46);
  std::memcpy(out + 8, "AIFFCOMM", 8);
  put_be32(out + 16, 18);
  put_be16(out + 20, static_cast<uint32_t>(channels));
  put_be32(out + 22, open ? 0 : frames);
  put_be16(out + 26, 16);
  encode_aiff_rate(static_cast<uint32_t>(rate), out + 28);
  std::memcpy(out + 38, "SSND", 4);
  put_be32(out + 42, open ? kOpenSize : data_bytes + 8);
  put_be32(out + 46, 0);
  put_be32(out + 50, 0);
}

void encode_aiff_rate(uint32_t rate, uint8_t out[10]) {
  std::memset(out, 0, 10);
  if (rate == 0) return;
  int log2 = 31;
  while (!(rate & (1u << log2))) --log2;
  out[0] = 0x40;
  out[1] = static_cast<uint8_t>(log2 - 1);
  put_be32(out + 2, rate << (31 - log2));
}

uint32_t decode_aiff_rate(const uint8_t in[10]) {
  int shift = 30 - in[1];
  uint32_t mantissa = get_be32(in + 2);
  if (shift < 0 || shift > 31) return 0;
  if (shift == 0) return mantissa;
  uint32_t rate = mantissa >> shift;
  return rate + ((mantissa >> (shift - 1)) & 1);
}

}  // namespace vt
