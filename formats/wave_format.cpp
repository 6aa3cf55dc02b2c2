#include "formats/wave_format.h"

#include <cstdio>
#include <cstring>

#include "base/binary_file.h"
#include "formats/mp3_encoder_tables.h"

namespace vt {

WaveFormat make_pcm_format(int channels, int bits, int rate) {
  WaveFormat format = {};
  format.format_tag = kFormatTagPcm;
  format.channels = static_cast<uint16_t>(channels);
  format.sample_rate = static_cast<uint32_t>(rate);
  int bytes_per_sample = bits <= 8 ? 1 : bits <= 16 ? 2 : 4;
  format.block_align = static_cast<uint16_t>(channels * bytes_per_sample);
  format.average_bytes_per_second = format.sample_rate * format.block_align;
  format.bits_per_sample = static_cast<uint16_t>(bits);
  format.extra_size = 0;
  return format;
}

WaveFormat default_recording_format() { return make_pcm_format(1, 16, 44100); }

FormatBuffer format_buffer_of(const WaveFormat& format) {
  FormatBuffer buffer;
  std::memset(&buffer, 0, sizeof buffer);
  buffer.format = format;
  buffer.format.extra_size = 0;
  return buffer;
}

int format_record_size(const WaveFormat& format) {
  int extra = format.extra_size > kMaxExtraBytes ? kMaxExtraBytes : format.extra_size;
  return static_cast<int>(sizeof(WaveFormat)) + extra;
}

static void put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
static void put32(uint8_t* p, uint32_t v) {
  put16(p, static_cast<uint16_t>(v));
  put16(p + 2, static_cast<uint16_t>(v >> 16));
}
static uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
static uint32_t get32(const uint8_t* p) { return get16(p) | static_cast<uint32_t>(get16(p + 2)) << 16; }

void encode_wave_format(const WaveFormat& f, uint8_t out[18]) {
  put16(out, f.format_tag);
  put16(out + 2, f.channels);
  put32(out + 4, f.sample_rate);
  put32(out + 8, f.average_bytes_per_second);
  put16(out + 12, f.block_align);
  put16(out + 14, f.bits_per_sample);
  put16(out + 16, f.extra_size);
}

WaveFormat decode_wave_format(const uint8_t in[18]) {
  WaveFormat f;
  f.format_tag = get16(in);
  f.channels = get16(in + 2);
  f.sample_rate = get32(in + 4);
  f.average_bytes_per_second = get32(in + 8);
  f.block_align = get16(in + 12);
  f.bits_per_sample = get16(in + 14);
  f.extra_size = get16(in + 16);
  return f;
}

bool load_recording_format_file(const std::string& path, FormatBuffer& buffer) {
  std::unique_ptr<BinaryFile> file = open_binary_file(path, FileAccess::kReadShared);
  if (!file) return false;
  uint8_t bytes[kFormatRecordBytes];
  if (!read_exactly(*file, bytes, kFormatRecordBytes)) return false;
  WaveFormat format = decode_wave_format(bytes);
  // Codec bytes claimed beyond the record would be read past its end by the codecs.
  if (format.extra_size > kMaxExtraBytes) return false;
  buffer.format = format;
  std::memcpy(buffer.extra, bytes + sizeof(WaveFormat), kMaxExtraBytes);
  return true;
}

bool save_recording_format_file(const std::string& path, const FormatBuffer& buffer) {
  std::unique_ptr<BinaryFile> file = open_binary_file(path, FileAccess::kCreateReadShared);
  if (!file) return false;
  uint8_t bytes[kFormatRecordBytes];
  encode_wave_format(buffer.format, bytes);
  std::memcpy(bytes + sizeof(WaveFormat), buffer.extra, kMaxExtraBytes);
  return file->write(bytes, kFormatRecordBytes);
}

// Each format words its line differently; the names come from the format table.
std::string format_description(int format_index, const WaveFormat& wav, const EncoderSettings& mp3) {
  const RecordingFormatRow* row = recording_format(format_index);
  if (!row) return std::string();
  char text[128];
  switch (row->index) {
    case kRecordWav:
      std::snprintf(text, sizeof text, "%dHz  %s  %s", static_cast<int>(wav.sample_rate),
                    wav.channels == 1 ? "Mono" : "Stereo", row->name);
      return text;
    case kRecordMp3: {
      int mode = mp3.channel_mode < sizeof kChannelModeNames / sizeof kChannelModeNames[0] ? mp3.channel_mode : 1;
      if (mp3.constant_bit_rate)
        std::snprintf(text, sizeof text, "%dKBps %s %s", mp3.bit_rate, kChannelModeNames[mode], row->name);
      else
        std::snprintf(text, sizeof text, "%d-%dKbps  %s  %s", mp3.min_bit_rate, mp3.max_bit_rate,
                      kChannelModeNames[mode], row->name);
      return text;
    }
    case kRecordAiff:  // the AIFF writer's one format
      std::snprintf(text, sizeof text, "44100Hz  Stereo  %s", row->name);
      return text;
  }
  return std::string();
}

}  // namespace vt
