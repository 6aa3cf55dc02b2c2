// The audio format descriptor shared by the whole program (laid out exactly like
// the system's wave format record), WavCodec.wff and the format line.
#pragma once
#include <cstdint>
#include <string>

#include "formats/mp3_encoder.h"
#include "formats/recording_formats.h"

namespace vt {

constexpr uint16_t kFormatTagPcm = 1;
constexpr uint16_t kFormatTagExtensible = 0xFFFE;

#pragma pack(push, 1)
struct WaveFormat {
  uint16_t format_tag;
  uint16_t channels;
  uint32_t sample_rate;
  uint32_t average_bytes_per_second;
  uint16_t block_align;
  uint16_t bits_per_sample;
  uint16_t extra_size;  // codec bytes that follow the record
};
#pragma pack(pop)
static_assert(sizeof(WaveFormat) == 18, "wave format record is 18 bytes");

constexpr int kFormatRecordBytes = 1024;
constexpr int kMaxExtraBytes = kFormatRecordBytes - static_cast<int>(sizeof(WaveFormat));

// The 1,024-byte record kept in WavCodec.wff and handed to the format chooser:
// a descriptor followed by its codec bytes.
#pragma pack(push, 1)
struct FormatBuffer {
  WaveFormat format;
  uint8_t extra[kMaxExtraBytes];
};
#pragma pack(pop)
static_assert(sizeof(FormatBuffer) == kFormatRecordBytes, "format record is 1,024 bytes");

WaveFormat make_pcm_format(int channels, int bits, int rate);
// PCM, 1 channel, 44,100 Hz, 16 bits.
WaveFormat default_recording_format();
// A zeroed record holding `format` and no codec bytes.
FormatBuffer format_buffer_of(const WaveFormat& format);
// 18 + extra size, the descriptor's length on disk (extra size limited to the record).
int format_record_size(const WaveFormat& format);

// Little-endian descriptor as stored in files.
void encode_wave_format(const WaveFormat& format, uint8_t out[18]);
WaveFormat decode_wave_format(const uint8_t in[18]);

// WavCodec.wff at `path`: reading succeeds only when the file holds 1,024 bytes
// (and a descriptor whose codec bytes fit the record); writing replaces the file.
bool load_recording_format_file(const std::string& path, FormatBuffer& buffer);
bool save_recording_format_file(const std::string& path, const FormatBuffer& buffer);

// The one-line text the main window shows for the current format; empty for an unknown index.
std::string format_description(int format_index, const WaveFormat& wav, const EncoderSettings& mp3);

}  // namespace vt
