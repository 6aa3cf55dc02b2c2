#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "formats/file_headers.h"
#include "formats/file_readers.h"
#include "formats/wave_format.h"
#include "tests/support/native_files.h"

using namespace vt;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes text(const char* id) { return Bytes(id, id + 4); }
Bytes le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
Bytes be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }
Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}
// A chunk with its real size, padded to even length.
Bytes chunk(const char* id, const Bytes& body) {
  Bytes c = cat({text(id), le32(static_cast<uint32_t>(body.size())), body});
  if (body.size() & 1) c.push_back(0);
  return c;
}
Bytes fmt_body(int channels, int rate, int bits, int size = 16) {
  WaveFormat f = make_pcm_format(channels, bits, rate);
  Bytes body(18);
  encode_wave_format(f, body.data());
  body.resize(static_cast<size_t>(size), 0);
  return body;
}
Bytes ramp16(int samples) {
  Bytes b;
  for (int i = 0; i < samples; ++i) {
    int16_t v = static_cast<int16_t>(i * 37 - 9000);
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
  }
  return b;
}
Bytes riff(const Bytes& chunks) { return cat({text("RIFF"), le32(static_cast<uint32_t>(chunks.size() + 4)), text("WAVE"), chunks}); }

class Files : public ::testing::Test {
 protected:
  // Writes `bytes` to a file and opens it with the WAV reader.
  SourceRef wav(const Bytes& bytes) {
    std::string path = dir_.path("f" + std::to_string(++count_) + ".wav");
    vt_test::write_file(path, bytes);
    return open_wav_reader(path);
  }
  SourceRef aiff(const Bytes& bytes) {
    std::string path = dir_.path("f" + std::to_string(++count_) + ".aif");
    vt_test::write_file(path, bytes);
    return open_aiff_reader(path);
  }
  vt_test::TempDir dir_;
  int count_ = 0;
};

}  // namespace

TEST_F(Files, ChunksAroundTheDescriptorAreSkipped) {
  Bytes data = ramp16(200);
  Bytes list = chunk("LIST", cat({text("INFO"), chunk("INAM", Bytes{'a', 'b', 'c', 0, 'd'})}));
  Bytes odd = chunk("junk", Bytes{1, 2, 3});
  for (const Bytes& file : {riff(cat({list, chunk("fmt ", fmt_body(2, 8000, 16)), chunk("data", data)})),
                            riff(cat({chunk("fmt ", fmt_body(2, 8000, 16)), odd, list, chunk("data", data)})),
                            riff(cat({odd, chunk("fmt ", fmt_body(2, 8000, 16, 18)), chunk("data", data), list}))}) {
    SourceRef source = wav(file);
    ASSERT_EQ(kSourceOk, source->status);
    EXPECT_EQ(2, source->channels);
    EXPECT_EQ(8000, source->sample_rate);
    EXPECT_EQ(kFullScale, source->peak_bound);
    EXPECT_EQ(100, source->length());
    std::vector<int32_t> got = vt_test::read_all(*source);
    ASSERT_EQ(200u, got.size());
    for (int i = 0; i < 200; ++i) ASSERT_EQ((i * 37 - 9000) * 16, got[i]);
  }
}

TEST_F(Files, OuterChunksBeforeTheWaveFormAreSkipped) {
  Bytes inner = riff(cat({chunk("fmt ", fmt_body(1, 11025, 8)), chunk("data", Bytes{0, 128, 255})}));
  SourceRef source = wav(cat({text("RMP3"), le32(9), Bytes{'x', 'x', 'x', 'x', 'y', 'y', 'y', 'y', 'z', 0}, inner}));
  ASSERT_EQ(kSourceOk, source->status);
  int32_t got[3];
  source->read(got, 3);
  EXPECT_EQ(-128 * 4096, got[0]);
  EXPECT_EQ(0, got[1]);
  EXPECT_EQ(127 * 4096, got[2]);
  EXPECT_EQ(kSourceBadFormat, wav(cat({text("JUNK"), le32(4), text("WAVE"), inner}))->status);
  EXPECT_EQ(kSourceBadFormat, wav(cat({text("JUNK"), le32(0xFFFFFFF0u), text("WAVE"), inner}))->status);
}

TEST_F(Files, DescriptorSizeLimits) {
  Bytes data = chunk("data", ramp16(4));
  EXPECT_EQ(kSourceOk, wav(riff(cat({chunk("fmt ", fmt_body(1, 8000, 16, 16)), data})))->status);
  EXPECT_EQ(kSourceOk, wav(riff(cat({chunk("fmt ", fmt_body(1, 8000, 16, 8192)), data})))->status);
  EXPECT_EQ(kSourceBadFormat, wav(riff(cat({chunk("fmt ", fmt_body(1, 8000, 16, 15)), data})))->status);
  EXPECT_EQ(kSourceBadFormat, wav(riff(cat({chunk("fmt ", fmt_body(1, 8000, 16, 8193)), data})))->status);
  // A data chunk before any descriptor is rejected.
  EXPECT_EQ(kSourceBadFormat, wav(riff(cat({data, chunk("fmt ", fmt_body(1, 8000, 16))})))->status);
}

TEST_F(Files, ImpossibleFormatsAreRejected) {
  Bytes data = chunk("data", ramp16(4));
  EXPECT_EQ(kSourceBadFormat, wav(riff(cat({chunk("fmt ", fmt_body(0, 8000, 16)), data})))->status);
  EXPECT_EQ(kSourceBadFormat, wav(riff(cat({chunk("fmt ", fmt_body(256, 8000, 16)), data})))->status);
  EXPECT_EQ(kSourceBadFormat, wav(riff(cat({chunk("fmt ", fmt_body(1, 0, 16)), data})))->status);
  EXPECT_EQ(kSourceBadFormat, wav(riff(cat({chunk("fmt ", fmt_body(1, 196001, 16)), data})))->status);
  EXPECT_EQ(kSourceOk, wav(riff(cat({chunk("fmt ", fmt_body(1, 196000, 16)), data})))->status);
  // Below 1000 Hz the times of a long file would not fit 32-bit milliseconds.
  EXPECT_EQ(kSourceBadFormat, wav(riff(cat({chunk("fmt ", fmt_body(1, 1, 16)), data})))->status);
  EXPECT_EQ(kSourceBadFormat, wav(riff(cat({chunk("fmt ", fmt_body(1, 999, 16)), data})))->status);
  EXPECT_EQ(kSourceOk, wav(riff(cat({chunk("fmt ", fmt_body(1, 1000, 16)), data})))->status);
  // Frames smaller than their samples would be read out of step.
  Bytes narrow = fmt_body(2, 8000, 16);
  narrow[12] = 2;
  EXPECT_EQ(kSourceBadFormat, wav(riff(cat({chunk("fmt ", narrow), data})))->status);
  // Wider frames (padding after the samples) are read with their stride.
  Bytes padded = fmt_body(1, 8000, 16);
  padded[12] = 4;
  SourceRef source = wav(riff(cat({chunk("fmt ", padded), data})));
  ASSERT_EQ(kSourceOk, source->status);
  EXPECT_EQ(2, source->length());
  int32_t got[2];
  source->read(got, 2);
  EXPECT_EQ(-9000 * 16, got[0]);
  EXPECT_EQ((2 * 37 - 9000) * 16, got[1]);
}

TEST_F(Files, HugeAndNegativeChunkSizesStopTheWalk) {
  Bytes fmt = chunk("fmt ", fmt_body(1, 8000, 16));
  Bytes data = chunk("data", ramp16(4));
  for (uint32_t size : {0xFFFFFFFEu, 0x80000000u, 0x7FFFFFFFu, 0x7FFFFFF0u}) {
    SCOPED_TRACE(size);
    EXPECT_EQ(kSourceBadFormat, wav(riff(cat({text("LIST"), le32(size), fmt, data})))->status);
    EXPECT_EQ(kSourceBadFormat, wav(riff(cat({fmt, text("LIST"), le32(size), data})))->status);
    EXPECT_EQ(kSourceBadFormat, wav(riff(cat({text("fmt "), le32(size), fmt, data})))->status);
  }
  // Sizes are signed: -1 rounds up to 0, and a chunk of size 0 is passed by.
  EXPECT_EQ(kSourceOk, wav(riff(cat({fmt, text("LIST"), le32(0), data})))->status);
  EXPECT_EQ(kSourceOk, wav(riff(cat({text("LIST"), le32(0xFFFFFFFFu), fmt, data})))->status);
  EXPECT_EQ(kSourceBadFormat, wav(riff(cat({text("fmt "), le32(0xFFFFFFFFu), fmt, data})))->status);
}

TEST_F(Files, TruncatedAndMissingFiles) {
  Bytes whole = riff(cat({chunk("fmt ", fmt_body(1, 8000, 16)), chunk("data", ramp16(100))}));
  for (size_t cut : {size_t(0), size_t(3), size_t(12), size_t(20), size_t(43)})
    EXPECT_EQ(kSourceBadFormat, wav(Bytes(whole.begin(), whole.begin() + cut))->status) << cut;
  // Cut inside the data: what is there is read, then silence.
  SourceRef part = wav(Bytes(whole.begin(), whole.begin() + 44 + 51));
  ASSERT_EQ(kSourceOk, part->status);
  EXPECT_EQ(25, part->length());
  EXPECT_EQ(kSourceCannotOpen, open_wav_reader(dir_.path("missing.wav"))->status);
  EXPECT_EQ(kSourceCannotOpen, open_wav_reader(dir_.dir())->status);
  EXPECT_EQ(kSourceCannotOpen, open_aiff_reader(dir_.path("missing.aif"))->status);
  SourceRef failed = open_wav_reader(dir_.path("missing.wav"));
  int32_t buffer[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  failed->read(buffer, 8);
  for (int32_t v : buffer) EXPECT_EQ(0, v);
}

TEST_F(Files, UnclosedDataRunsToTheEndOfTheFile) {
  Bytes file = riff(cat({chunk("fmt ", fmt_body(2, 8000, 16)), text("data"), le32(0xFFFFFFFFu), ramp16(41)}));
  SourceRef source = wav(file);
  ASSERT_EQ(kSourceOk, source->status);
  EXPECT_EQ(20, source->length());  // the last half frame is not counted
}

TEST_F(Files, SeekPositionAndSilenceOutsideTheData) {
  SourceRef source = wav(riff(cat({chunk("fmt ", fmt_body(1, 8000, 16)), chunk("data", ramp16(100))})));
  ASSERT_EQ(kSourceOk, source->status);
  int32_t got[30];
  source->seek(-10);
  EXPECT_EQ(-10, source->position());
  source->read(got, 30);
  EXPECT_EQ(20, source->position());
  for (int i = 0; i < 10; ++i) EXPECT_EQ(0, got[i]);
  for (int i = 10; i < 30; ++i) EXPECT_EQ(((i - 10) * 37 - 9000) * 16, got[i]);
  source->seek(90);
  source->read(got, 30);
  EXPECT_EQ(120, source->position());
  EXPECT_EQ((99 * 37 - 9000) * 16, got[9]);
  for (int i = 10; i < 30; ++i) EXPECT_EQ(0, got[i]);
  source->seek(1000);
  source->read(got, 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(0, got[i]);
  source->seek(50);
  source->read(got, 1);
  EXPECT_EQ((50 * 37 - 9000) * 16, got[0]);
}

TEST_F(Files, PlainPcmInAnExtensibleDescriptor) {
  Bytes body = fmt_body(1, 8000, 16, 40);
  body[0] = 0xFE;
  body[1] = 0xFF;
  body[16] = 22;
  const uint8_t pcm[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
  std::memcpy(body.data() + 24, pcm, 16);
  SourceRef source = wav(riff(cat({chunk("fmt ", body), chunk("data", ramp16(10))})));
  ASSERT_EQ(kSourceOk, source->status);
  EXPECT_EQ(10, source->length());
}

TEST_F(Files, CodecFormatsNeedTheCodecManager) {
  Bytes body = fmt_body(1, 8000, 16, 20);
  body[0] = 0x11;  // IMA ADPCM
  EXPECT_EQ(kSourceNoCodec, wav(riff(cat({chunk("fmt ", body), chunk("data", ramp16(10))})))->status);
  EXPECT_EQ(kSourceNoCodec, wav(riff(cat({chunk("fmt ", fmt_body(1, 8000, 24)), chunk("data", ramp16(12))})))->status);
}

namespace {
Bytes be16(uint16_t v) { return {uint8_t(v >> 8), uint8_t(v)}; }
Bytes aiff_chunk(const char* id, const Bytes& body) {
  Bytes c = cat({text(id), be32(static_cast<uint32_t>(body.size())), body});
  if (body.size() & 1) c.push_back(0);
  return c;
}
Bytes comm(int channels, int bits, uint32_t rate) {
  uint8_t extended[10];
  encode_aiff_rate(rate, extended);
  return aiff_chunk("COMM", cat({be16(uint16_t(channels)), be32(0), be16(uint16_t(bits)), Bytes(extended, extended + 10)}));
}
Bytes form(const Bytes& chunks, const char* type = "AIFF") {
  return cat({text("FORM"), be32(static_cast<uint32_t>(chunks.size() + 4)), text(type), chunks});
}
}  // namespace

TEST_F(Files, AiffChunksInAnyOrder) {
  Bytes samples{0x12, 0x34, 0xFF, 0xFE, 0x80, 0x00, 0x7F, 0xFF};
  Bytes ssnd = aiff_chunk("SSND", cat({be32(0), be32(0), samples}));
  for (const Bytes& file : {form(cat({comm(2, 16, 22050), ssnd})), form(cat({ssnd, aiff_chunk("NAME", Bytes{'a'}), comm(2, 16, 22050)}))}) {
    SourceRef source = aiff(file);
    ASSERT_EQ(kSourceOk, source->status);
    EXPECT_EQ(22050, source->sample_rate);
    EXPECT_EQ(2, source->length());
    int32_t got[4];
    source->read(got, 2);
    EXPECT_EQ(0x1234 * 16, got[0]);
    EXPECT_EQ(-2 * 16, got[1]);
    EXPECT_EQ(-32768 * 16, got[2]);
    EXPECT_EQ(32767 * 16, got[3]);
  }
  SourceRef bytes = aiff(form(cat({comm(1, 8, 8000), aiff_chunk("SSND", cat({be32(0), be32(0), Bytes{0x80, 0x7F, 0}}))})));
  ASSERT_EQ(kSourceOk, bytes->status);
  int32_t got[3];
  bytes->read(got, 3);
  EXPECT_EQ(-128 * 4096, got[0]);
  EXPECT_EQ(127 * 4096, got[1]);
  EXPECT_EQ(0, got[2]);
  // An offset moves the first sample.
  SourceRef shifted = aiff(form(cat({comm(1, 16, 8000), aiff_chunk("SSND", cat({be32(2), be32(0), Bytes{9, 9, 0, 1, 0, 2}}))})));
  ASSERT_EQ(kSourceOk, shifted->status);
  EXPECT_EQ(2, shifted->length());
  shifted->read(got, 2);
  EXPECT_EQ(16, got[0]);
}

TEST_F(Files, BadAiffFiles) {
  Bytes ssnd = aiff_chunk("SSND", cat({be32(0), be32(0), Bytes(8, 0)}));
  EXPECT_EQ(kSourceBadFormat, aiff(form(cat({comm(2, 16, 8000), ssnd}), "AIFC"))->status);
  EXPECT_EQ(kSourceNoCodec, aiff(form(cat({comm(2, 24, 8000), ssnd})))->status);
  EXPECT_EQ(kSourceBadFormat, aiff(form(cat({comm(0, 16, 8000), ssnd})))->status);
  EXPECT_EQ(kSourceBadFormat, aiff(form(cat({comm(1, 16, 0), ssnd})))->status);
  EXPECT_EQ(kSourceBadFormat, aiff(form(cat({comm(1, 16, 999), ssnd})))->status);
  EXPECT_EQ(kSourceOk, aiff(form(cat({comm(1, 16, 1000), ssnd})))->status);
  EXPECT_EQ(kSourceBadFormat, aiff(form(cat({comm(1, 16, 200000), ssnd})))->status);
  EXPECT_EQ(kSourceBadFormat, aiff(form(comm(2, 16, 8000)))->status);
  EXPECT_EQ(kSourceBadFormat, aiff(form(cat({aiff_chunk("COMM", Bytes(10, 1)), ssnd})))->status);
  EXPECT_EQ(kSourceBadFormat, aiff(form(cat({text("JUNK"), be32(0x80000000u), comm(2, 16, 8000), ssnd})))->status);
  EXPECT_EQ(kSourceBadFormat, aiff(form(cat({comm(2, 16, 8000), aiff_chunk("SSND", Bytes{0, 0})})))->status);
  EXPECT_EQ(kSourceBadFormat, aiff(Bytes{'F', 'O', 'R', 'M'})->status);
}

// Files that sox wrote, read sample for sample as sox itself decodes them.
TEST_F(Files, SoxFilesReadExactly) {
  if (!vt_test::have_program("sox")) FAIL() << "sox not installed";
  struct Case {
    const char* ext;
    int channels, bits, rate;
  } cases[] = {{"wav", 1, 8, 8000},  {"wav", 2, 8, 11025},  {"wav", 1, 16, 22050}, {"wav", 2, 16, 44100},
               {"wav", 2, 16, 48000}, {"wav", 1, 16, 96000}, {"aif", 1, 8, 8000},   {"aif", 2, 8, 22050},
               {"aif", 1, 16, 44100}, {"aif", 2, 16, 96000}};
  for (const Case& c : cases) {
    std::string name = std::to_string(c.channels) + "_" + std::to_string(c.bits) + "_" + std::to_string(c.rate) + "." + c.ext;
    SCOPED_TRACE(name);
    std::string path = dir_.path(name);
    std::string command = "sox -R -n -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels) + " -b " +
                          std::to_string(c.bits) + " '" + path + "' synth 0.7 sine 200-5000 sine 440 gain -1";
    std::string output;
    ASSERT_EQ(0, vt_test::run_command(command, &output)) << output;
    ASSERT_EQ(0, vt_test::run_command("sox '" + path + "' -t raw -e signed -b 16 -L '" + path + ".raw'"));
    std::vector<int32_t> expected = vt_test::s16_samples(vt_test::read_file(path + ".raw"));
    SourceRef source = open_audio_file(path);
    ASSERT_EQ(kSourceOk, source->status);
    EXPECT_EQ(c.rate, source->sample_rate);
    EXPECT_EQ(c.channels, source->channels);
    std::vector<int32_t> got = vt_test::read_all(*source);
    ASSERT_EQ(expected.size(), got.size());
    for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(expected[i] * 16, got[i]) << i;
  }
}

TEST_F(Files, SoxCodecFilesNeedTheCodecManager) {
  if (!vt_test::have_program("sox")) FAIL() << "sox not installed";
  for (const char* encoding : {"-e ima-adpcm", "-e ms-adpcm", "-e gsm-full-rate", "-e u-law", "-e a-law", "-b 24"}) {
    std::string path = dir_.path("codec.wav");
    ASSERT_EQ(0, vt_test::run_command(std::string("sox -n -r 8000 -c 1 ") + encoding + " '" + path + "' synth 0.2 sine 440"));
    EXPECT_EQ(kSourceNoCodec, open_wav_reader(path)->status) << encoding;
  }
  EXPECT_EQ(kSourceBadFormat, open_audio_file(dir_.path("codec.xyz"))->status);
  EXPECT_EQ(kSourceCannotOpen, open_audio_file(dir_.path("missing.MP3"))->status);
}

// Files that ffmpeg wrote (its WAV files carry a LIST chunk before the data), read
// sample for sample as sox decodes them.
TEST_F(Files, FfmpegFilesReadExactly) {
  if (!vt_test::have_program("ffmpeg") || !vt_test::have_program("sox")) FAIL() << "ffmpeg or sox not installed";
  struct Case {
    const char* name;
    const char* codec;
    int rate, channels;
    const char* format;
  } cases[] = {{"u8.wav", "pcm_u8", 8000, 1, "wav"},         {"s16.wav", "pcm_s16le", 44100, 2, "wav"},
               {"s16m.wav", "pcm_s16le", 96000, 1, "wav"},    {"s8.aif", "pcm_s8", 22050, 2, "aiff"},
               {"s16be.aif", "pcm_s16be", 48000, 2, "aiff"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir_.path(c.name);
    std::string command = std::string("ffmpeg -v error -y -f lavfi -i 'sine=frequency=440:duration=0.6' -af volume=0.7 -ar ") +
                          std::to_string(c.rate) + " -ac " + std::to_string(c.channels) + " -c:a " + c.codec + " -f " +
                          c.format + " '" + path + "'";
    std::string output;
    ASSERT_EQ(0, vt_test::run_command(command, &output)) << output;
    ASSERT_EQ(0, vt_test::run_command("sox '" + path + "' -t raw -e signed -b 16 -L '" + path + ".raw'", &output)) << output;
    std::vector<int32_t> expected = vt_test::s16_samples(vt_test::read_file(path + ".raw"));
    SourceRef source = open_audio_file(path);
    ASSERT_EQ(kSourceOk, source->status);
    EXPECT_EQ(c.rate, source->sample_rate);
    EXPECT_EQ(c.channels, source->channels);
    std::vector<int32_t> got = vt_test::read_all(*source);
    ASSERT_EQ(expected.size(), got.size());
    for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(expected[i] * 16, got[i]) << i;
  }
}
