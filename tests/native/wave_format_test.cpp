#include <gtest/gtest.h>

#include <cstring>

#include "formats/file_headers.h"
#include "formats/wave_format.h"
#include "tests/support/native_files.h"

using namespace vt;

TEST(WaveFormat, PcmDescriptorsAndDefault) {
  WaveFormat f = default_recording_format();
  EXPECT_EQ(1, f.format_tag);
  EXPECT_EQ(1, f.channels);
  EXPECT_EQ(44100u, f.sample_rate);
  EXPECT_EQ(16, f.bits_per_sample);
  EXPECT_EQ(2, f.block_align);
  EXPECT_EQ(88200u, f.average_bytes_per_second);
  EXPECT_EQ(0, f.extra_size);

  WaveFormat byte = make_pcm_format(2, 8, 11025);
  EXPECT_EQ(2, byte.block_align);
  EXPECT_EQ(22050u, byte.average_bytes_per_second);
  WaveFormat wide = make_pcm_format(2, 24, 48000);  // more than 16 bits take 4 bytes a sample
  EXPECT_EQ(8, wide.block_align);
  EXPECT_EQ(384000u, wide.average_bytes_per_second);
}

TEST(WaveFormat, DescriptorBytesAreLittleEndian) {
  uint8_t bytes[18];
  encode_wave_format(make_pcm_format(2, 16, 44100), bytes);
  const uint8_t expected[18] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(expected, bytes, 18));
  WaveFormat back = decode_wave_format(bytes);
  EXPECT_EQ(44100u, back.sample_rate);
  EXPECT_EQ(176400u, back.average_bytes_per_second);
}

TEST(WaveFormat, Descriptions) {
  EncoderSettings mp3;
  EXPECT_EQ("44100Hz  Mono  Wav", format_description(kRecordWav, default_recording_format(), mp3));
  EXPECT_EQ("8000Hz  Stereo  Wav", format_description(kRecordWav, make_pcm_format(2, 8, 8000), mp3));
  EXPECT_EQ("128KBps Raccordement Mp3", format_description(kRecordMp3, default_recording_format(), mp3));
  mp3.constant_bit_rate = false;
  mp3.channel_mode = 0;
  EXPECT_EQ("32-128Kbps  Stéréo  Mp3", format_description(kRecordMp3, default_recording_format(), mp3));
  EXPECT_EQ("44100Hz  Stereo  AIFF", format_description(kRecordAiff, make_pcm_format(1, 8, 8000), mp3));
  EXPECT_EQ("", format_description(3, default_recording_format(), mp3));
  EXPECT_STREQ(".wav", recording_extension(0));
  EXPECT_STREQ(".mp3", recording_extension(1));
  EXPECT_STREQ(".aif", recording_extension(2));
  EXPECT_STREQ("", recording_extension(-1));
}

TEST(WaveFormat, CodecFormatFileHoldsExactly1024Bytes) {
  vt_test::TempDir dir;
  std::string path = dir.path("WavCodec.wff");
  FormatBuffer saved = format_buffer_of(make_pcm_format(2, 8, 22050));
  saved.format.format_tag = 0x11;
  saved.format.extra_size = 2;
  saved.extra[0] = 0xF9;
  saved.extra[1] = 0x01;
  saved.extra[1000] = 0x5A;  // the rest of the record travels too
  ASSERT_TRUE(save_recording_format_file(path, saved));
  EXPECT_EQ(1024u, vt_test::read_file(path).size());
  FormatBuffer loaded = format_buffer_of(default_recording_format());
  ASSERT_TRUE(load_recording_format_file(path, loaded));
  EXPECT_EQ(0, std::memcmp(&saved, &loaded, sizeof saved));

  // A short file is ignored and the caller keeps its default.
  std::vector<uint8_t> bytes = vt_test::read_file(path);
  bytes.resize(1023);
  vt_test::write_file(path, bytes);
  FormatBuffer kept = format_buffer_of(default_recording_format());
  EXPECT_FALSE(load_recording_format_file(path, kept));
  EXPECT_EQ(44100u, kept.format.sample_rate);
  EXPECT_EQ(1, kept.format.channels);
  EXPECT_FALSE(load_recording_format_file(dir.path("missing.wff"), kept));

  // Codec bytes announced beyond the record would be read past its end.
  bytes.resize(1024);
  bytes[16] = 0xEF;
  bytes[17] = 0x03;  // 1,007 extra bytes
  vt_test::write_file(path, bytes);
  EXPECT_FALSE(load_recording_format_file(path, kept));
}

TEST(FileHeaders, PcmWavHeaderForOneSecondOfDefaultFormat) {
  uint8_t h[kPcmWavHeaderBytes];
  build_pcm_wav_header(h, 1, 44100, 2, 88200);
  EXPECT_EQ(0, std::memcmp(h, "RIFF", 4));
  EXPECT_EQ(88238u, get_le32(h + 4));
  EXPECT_EQ(0, std::memcmp(h + 8, "WAVEfmt ", 8));
  EXPECT_EQ(18u, get_le32(h + 16));
  EXPECT_EQ(88200u, get_le32(h + 28));
  EXPECT_EQ(0, std::memcmp(h + 38, "data", 4));
  EXPECT_EQ(88200u, get_le32(h + 42));
  build_pcm_wav_header(h, 1, 44100, 2, kOpenSize);
  EXPECT_EQ(0xFFFFFFFFu, get_le32(h + 4));
  EXPECT_EQ(0xFFFFFFFFu, get_le32(h + 42));
}

TEST(FileHeaders, AiffHeaderForOneSecond) {
  uint8_t h[kAiffHeaderBytes];
  build_aiff_header(h, 2, 44100, 44100, 176400);
  EXPECT_EQ(0, std::memcmp(h, "FORM", 4));
  EXPECT_EQ(176446u, get_be32(h + 4));
  EXPECT_EQ(0, std::memcmp(h + 8, "AIFFCOMM", 8));
  EXPECT_EQ(18u, get_be32(h + 16));
  EXPECT_EQ(2, get_be16(h + 20));
  EXPECT_EQ(44100u, get_be32(h + 22));
  EXPECT_EQ(16, get_be16(h + 26));
  const uint8_t rate[10] = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(rate, h + 28, 10));
  EXPECT_EQ(0, std::memcmp(h + 38, "SSND", 4));
  EXPECT_EQ(176408u, get_be32(h + 42));
  EXPECT_EQ(0u, get_be32(h + 46));
  EXPECT_EQ(0u, get_be32(h + 50));
  build_aiff_header(h, 2, 44100, 0, kOpenSize);
  EXPECT_EQ(46u, get_be32(h + 4));
  EXPECT_EQ(0xFFFFFFFFu, get_be32(h + 42));
}

TEST(FileHeaders, AiffRatesSurviveTheRoundTrip) {
  for (uint32_t rate : {2u, 3u, 8000u, 11025u, 22050u, 44100u, 48000u, 96000u, 196000u, 0x7FFFFFFFu}) {
    uint8_t bytes[10];
    encode_aiff_rate(rate, bytes);
    EXPECT_EQ(0x40, bytes[0]);
    EXPECT_EQ(rate, decode_aiff_rate(bytes)) << rate;
  }
  uint8_t odd[10] = {0x40, 0x0E, 0xAC, 0x44, 0x80, 0, 0, 0, 0, 0};  // 44,100.5 rounds half up
  EXPECT_EQ(44101u, decode_aiff_rate(odd));
  odd[1] = 0x20;  // beyond what the shift can express
  EXPECT_EQ(0u, decode_aiff_rate(odd));
}
