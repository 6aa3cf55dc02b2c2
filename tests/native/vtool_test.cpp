// vtool as people run it: files in, files out, exit codes and the error line.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <unistd.h>

#include "formats/file_headers.h"
#include "formats/file_readers.h"
#include "formats/file_writers.h"
#include "audio/transforms.h"
#include "tests/native/mp3_test_support.h"
#include "tests/support/native_files.h"

using namespace vt;

namespace {

int vtool(const std::string& arguments, std::string* output = nullptr) {
  return vt_test::run_command(std::string(VTOOL_PATH) + " " + arguments, output);
}

}  // namespace

TEST(Vtool, ConvertsBetweenFormatsAndRates) {
  if (!vt_test::have_program("sox")) FAIL() << "sox not installed";
  vt_test::TempDir dir;
  std::string in = dir.path("in.wav");
  ASSERT_EQ(0, vt_test::run_command("sox -R -n -r 44100 -c 2 -b 16 '" + in + "' synth 2 sine 440 sine 1000 gain -6"));
  // Same format into AIFF: the samples do not change.
  ASSERT_EQ(0, vtool("convert '" + in + "' '" + dir.path("out.aif") + "'"));
  std::string same;
  ASSERT_EQ(0, vt_test::run_command("sox -m -v 1 '" + in + "' -v -1 '" + dir.path("out.aif") +
                                        "' -n stat 2>&1 | grep 'Maximum amplitude'", &same));
  EXPECT_NE(std::string::npos, same.find("0.000000")) << same;
  // Down to 8 kHz mono 8-bit.
  ASSERT_EQ(0, vtool("convert '" + in + "' '" + dir.path("small.wav") + "' --rate 8000 --channels 1 --bits 8"));
  std::string info;
  ASSERT_EQ(0, vt_test::run_command("soxi '" + dir.path("small.wav") + "'", &info));
  EXPECT_NE(std::string::npos, info.find("Sample Rate    : 8000")) << info;
  EXPECT_NE(std::string::npos, info.find("Channels       : 1")) << info;
  EXPECT_NE(std::string::npos, info.find("Precision      : 8-bit")) << info;
  SourceRef small = open_wav_reader(dir.path("small.wav"));
  EXPECT_NEAR(16000, small->length(), 20);
  ASSERT_EQ(0, vtool("info '" + dir.path("small.wav") + "'", &info));
  EXPECT_NE(std::string::npos, info.find("fréquence  : 8000 Hz")) << info;
  EXPECT_NE(std::string::npos, info.find("canal 1    : crête")) << info;
}

TEST(Vtool, ReportsFailuresWithTheFileAndTheReason) {
  vt_test::TempDir dir;
  std::string output;
  EXPECT_EQ(2, vtool("info '" + dir.path("missing.wav") + "'", &output));
  EXPECT_NE(std::string::npos, output.find("missing.wav: le fichier ne peut être ouvert (4)")) << output;
  vt_test::write_file(dir.path("bad.wav"), std::vector<uint8_t>(100, 7));
  EXPECT_EQ(2, vtool("convert '" + dir.path("bad.wav") + "' '" + dir.path("x.wav") + "'", &output));
  EXPECT_NE(std::string::npos, output.find("bad.wav: format invalide ou non pris en charge (3)")) << output;
  EXPECT_EQ(2, vtool("bogus", &output));
  EXPECT_NE(std::string::npos, output.find("usage")) << output;
}

TEST(Vtool, ReadsMp3Input) {
  if (!vt_test::have_program("lame") || !vt_test::have_program("sox")) FAIL() << "lame or sox not installed";
  vt_test::TempDir dir;
  ASSERT_EQ(0, vt_test::run_command("sox -R -n -r 44100 -c 2 -b 16 '" + dir.path("t.wav") + "' synth 1 sine 440 gain -6"));
  ASSERT_EQ(0, vt_test::run_command("lame --quiet -b 128 '" + dir.path("t.wav") + "' '" + dir.path("t.mp3") + "'"));
  ASSERT_EQ(0, vtool("convert '" + dir.path("t.mp3") + "' '" + dir.path("back.wav") + "'"));
  SourceRef back = open_wav_reader(dir.path("back.wav"));
  ASSERT_EQ(kSourceOk, back->status);
  EXPECT_EQ(2, back->channels);
  EXPECT_NEAR(44100, back->length(), 3000);
  std::string info;
  ASSERT_EQ(0, vtool("info '" + dir.path("t.mp3") + "'", &info));
  EXPECT_NE(std::string::npos, info.find("format     : MP3")) << info;
}

TEST(Vtool, RefusesToConvertAFileOntoItselfAndKeepsIt) {
  if (!vt_test::have_program("sox")) FAIL() << "sox not installed";
  vt_test::TempDir dir;
  std::string in = dir.path("a.wav");
  ASSERT_EQ(0, vt_test::run_command("sox -R -n -r 22050 -c 1 -b 16 '" + in + "' synth 1 sine 440 gain -6"));
  std::vector<uint8_t> before = vt_test::read_file(in);
  std::string output;
  // The same name, and the same file by another way of writing its path.
  // An AIFF name that is the input under another name as well.
  ASSERT_EQ(0, symlink(in.c_str(), dir.path("a.aif").c_str()));
  for (const std::string& out : {in, dir.dir() + "/./a.wav", dir.path("a.aif")}) {
    EXPECT_EQ(2, vtool("convert '" + in + "' '" + out + "'" + (out == in ? " --rate 44100" : ""), &output)) << out;
    EXPECT_NE(std::string::npos, output.find("la sortie est le fichier d'entrée")) << output;
    EXPECT_EQ(1u, std::count(output.begin(), output.end(), '\n')) << output;
    EXPECT_EQ(before, vt_test::read_file(in)) << out;
  }
}

TEST(Vtool, RefusesASourceRateFarBelowTheTarget) {
  vt_test::TempDir dir;
  for (int rate : {10, 86}) {
    std::string in = dir.path("low" + std::to_string(rate) + ".wav");
    uint8_t header[kPcmWavHeaderBytes];
    std::vector<uint8_t> samples(static_cast<size_t>(rate) * 2 * 4, 0x10);
    build_pcm_wav_header(header, 1, rate, 2, static_cast<uint32_t>(samples.size()));
    std::vector<uint8_t> bytes(header, header + kPcmWavHeaderBytes);
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    vt_test::write_file(in, bytes);
    std::string output;
    EXPECT_EQ(2, vtool("convert '" + in + "' '" + dir.path("out.wav") + "' --rate 44100", &output)) << rate;
    EXPECT_NE(std::string::npos, output.find("(3)")) << output;
    EXPECT_EQ(1u, std::count(output.begin(), output.end(), '\n')) << output;
  }
}

namespace {

// Frames that Debian's mpg123 decodes from an MP3 file.
long mpg123_frames(const std::string& mp3, int channels) {
  std::string count;
  if (vt_test::run_command("mpg123 -q -s '" + mp3 + "' 2>/dev/null | wc -c", &count) != 0) return -1;
  return std::atol(count.c_str()) / (2 * channels);
}

long wav_frames(const std::string& wav, int channels) {
  return static_cast<long>(vt_test::read_file(wav).size() - kPcmWavHeaderBytes) / (2 * channels);
}

}  // namespace

TEST(Vtool, Mp3WithoutAnExactLengthConvertsToAllOfItsFrames) {
  if (!vt_test::have_program("lame") || !vt_test::have_program("sox") || !vt_test::have_program("mpg123"))
    FAIL() << "lame, sox or mpg123 not installed";
  vt_test::TempDir dir;
  // Variable bit rate without an information frame: the length is a guess from the
  // first frames until the end is reached.
  ASSERT_EQ(0, vt_test::run_command("sox -R -n -r 44100 -c 2 -b 16 '" + dir.path("t.wav") +
                                    "' synth 10 pinknoise fade 0 10 9 synth 10 sine amod 3 gain -3"));
  ASSERT_EQ(0, vt_test::run_command("lame --quiet -V 2 -t '" + dir.path("t.wav") + "' '" + dir.path("vbr.mp3") + "'"));
  ASSERT_EQ(0, vtool("convert '" + dir.path("vbr.mp3") + "' '" + dir.path("vbr.wav") + "'"));
  long expected = mpg123_frames(dir.path("vbr.mp3"), 2);
  ASSERT_GT(expected, 44100 * 9);
  EXPECT_NEAR(expected, wav_frames(dir.path("vbr.wav"), 2), 1152);

  // Conformance streams whose bit rate changes from frame to frame.
  for (const char* name : {"M2L3_bitrate_16_all", "M2L3_bitrate_22_all", "M2L3_bitrate_24_all"}) {
    std::string bit = mp3test::vector_path(std::string("iso/") + name + ".bit");
    if (bit.empty()) {
      ADD_FAILURE() << "conformance streams not present";
      continue;
    }
    std::string wav = dir.path(std::string(name) + ".wav");
    std::string mp3 = dir.path(std::string(name) + ".mp3");
    ASSERT_EQ(0, vt_test::run_command("ln -s '" + bit + "' '" + mp3 + "'"));
    ASSERT_EQ(0, vtool("convert '" + mp3 + "' '" + wav + "'")) << name;
    SourceRef decoded = open_wav_reader(wav);
    ASSERT_EQ(kSourceOk, decoded->status) << name;
    long expected_frames = mpg123_frames(mp3, decoded->channels);
    EXPECT_NEAR(expected_frames, wav_frames(wav, decoded->channels), 576) << name;
  }
}

namespace {

// A 16-bit PCM WAV file of `frames` random frames, full scale at both ends included;
// `claimed` data bytes in the header (kOpenSize: an unfinished recording), `bits` as declared.
void write_wav16(const std::string& path, int channels, int rate, int frames, uint32_t claimed, int bits,
                 size_t extra_bytes = 0) {
  std::mt19937 random(static_cast<unsigned>(frames));
  std::vector<uint8_t> bytes(kPcmWavHeaderBytes + static_cast<size_t>(frames) * channels * 2 + extra_bytes);
  build_pcm_wav_header(bytes.data(), channels, rate, 2, claimed);
  bytes[34] = static_cast<uint8_t>(bits);
  for (size_t i = kPcmWavHeaderBytes; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(random());
  const uint8_t edges[] = {0x00, 0x80, 0xFF, 0x7F, 0x01, 0x80, 0x00, 0x00};
  for (size_t i = 0; i < sizeof edges && kPcmWavHeaderBytes + i < bytes.size(); ++i) bytes[kPcmWavHeaderBytes + i] = edges[i];
  vt_test::write_file(path, bytes);
}

}  // namespace

// WAV to AIFF at the same rate and channel count takes the byte-swapping path: its file
// must be byte for byte what the conversion chain writes, for every shape of input.
TEST(Vtool, SameFormatAiffEqualsTheConversionChainsFile) {
  if (!vt_test::have_program("sox")) FAIL() << "sox not installed";
  vt_test::TempDir dir;
  struct Case { const char* name; int channels, rate, frames; int64_t claimed; int bits; size_t extra; };
  const Case cases[] = {
      {"several blocks, stereo", 2, 44100, 3 * 44100 + 7, -2, 16, 0},
      {"mono, 12 bits declared", 1, 8000, 1001, -2, 12, 0},
      {"header promises more than the file holds", 2, 22050, 5000, 40000, 16, 3},
      {"unfinished recording", 2, 44100, 777, kOpenSize, 16, 1},
      {"no frames", 1, 11025, 0, -2, 16, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string in = dir.path("in.wav"), ours = dir.path("ours.aif"), chain = dir.path("chain.aif");
    uint32_t claimed = c.claimed == -2 ? static_cast<uint32_t>(c.frames * c.channels * 2) : static_cast<uint32_t>(c.claimed);
    write_wav16(in, c.channels, c.rate, c.frames, claimed, c.bits, c.extra);
    ASSERT_EQ(0, vtool("convert '" + in + "' '" + ours + "'"));
    {
      SinkRef sink = open_aiff_writer(chain, c.rate, c.channels);
      ASSERT_EQ(Outcome::kDone, pump_to_sink(open_wav_reader(in), sink, nullptr));
    }
    std::vector<uint8_t> expected = vt_test::read_file(chain);
    ASSERT_EQ(expected, vt_test::read_file(ours));
    if (c.frames == 0) continue;  // sox refuses a sound file without frames
    std::string counted;
    ASSERT_EQ(0, vt_test::run_command("soxi -s '" + ours + "' 2>&1", &counted));
    EXPECT_EQ(std::to_string(c.frames) + "\n", counted);
  }
}

// A disk that fills up during the conversion: failure reported, and the AIFF file counts
// exactly the whole frames that reached the disk, which are the input's first frames.
TEST(Vtool, FullDiskDuringSameFormatAiffLeavesAFileCountingWhatReachedTheDisk) {
  if (!vt_test::have_program("sox") || !vt_test::have_program("bash")) FAIL() << "sox or bash not installed";
  vt_test::TempDir dir;
  std::string in = dir.path("in.wav"), out = dir.path("out.aif");
  const int frames = 6 * 44100;
  write_wav16(in, 2, 44100, frames, static_cast<uint32_t>(frames * 4), 16);
  std::string output;
  // bash counts the limit in kilobytes; the signal stays ignored in vtool, so writes fail instead.
  EXPECT_EQ(2, vt_test::run_command("bash -c \"trap '' XFSZ; ulimit -f 800; exec " + std::string(VTOOL_PATH) +
                                        " convert '" + in + "' '" + out + "'\" 2>&1", &output));
  EXPECT_NE(std::string::npos, output.find("out.aif: la conversion a échoué")) << output;
  std::vector<uint8_t> bytes = vt_test::read_file(out);
  ASSERT_LE(bytes.size(), 800u * 1024);
  ASSERT_GE(bytes.size(), static_cast<size_t>(kAiffHeaderBytes));
  EXPECT_EQ(0u, (bytes.size() - kAiffHeaderBytes) % 4) << "data ends inside a frame";
  const size_t stored = (bytes.size() - kAiffHeaderBytes) / 4;
  EXPECT_GT(stored, 0u);
  std::string counted;
  ASSERT_EQ(0, vt_test::run_command("soxi -s '" + out + "' 2>&1", &counted));
  EXPECT_EQ(std::to_string(stored) + "\n", counted);
  std::string raw = dir.path("out.raw");
  ASSERT_EQ(0, vt_test::run_command("sox '" + out + "' -t raw -e signed -b 16 -L '" + raw + "' 2>&1", &counted)) << counted;
  std::vector<uint8_t> input = vt_test::read_file(in), decoded = vt_test::read_file(raw);
  ASSERT_EQ(stored * 4, decoded.size());
  EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), input.begin() + kPcmWavHeaderBytes));
}
