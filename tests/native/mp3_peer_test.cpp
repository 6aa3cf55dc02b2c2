// The reader against Debian's mpg123 on files that lame encodes here, for the
// sampling frequencies, modes and rates the conformance streams leave out
// (MPEG-2.5, 32 and 48 kHz stereo, VBR, CBR with an "Info" frame).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "tests/native/mp3_test_support.h"

namespace vt {
namespace {

bool have_tool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

void put16(std::FILE* f, int v) { std::fputc(v & 255, f), std::fputc(v >> 8 & 255, f); }
void put32(std::FILE* f, uint32_t v) { put16(f, int(v & 0xFFFF)), put16(f, int(v >> 16)); }

// Two seconds of stereo tones with sharp attacks and noise bursts, so the encoder
// switches to short blocks now and then.
void write_signal(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f);
  const int rate = 44100, frames = rate * 2;
  std::fwrite("RIFF", 1, 4, f), put32(f, 36 + frames * 4), std::fwrite("WAVEfmt ", 1, 8, f);
  put32(f, 16), put16(f, 1), put16(f, 2), put32(f, rate), put32(f, rate * 4), put16(f, 4), put16(f, 16);
  std::fwrite("data", 1, 4, f), put32(f, frames * 4);
  uint32_t noise = 7;
  for (int i = 0; i < frames; ++i) {
    double t = double(i) / rate, beat = std::fmod(t, 0.25);
    noise = noise * 1664525u + 1013904223u;
    double burst = beat < 0.01 ? ((noise >> 16) / 32768.0 - 1.0) * 0.6 : 0.0;
    double tone = 0.3 * std::sin(2 * 3.14159265358979 * (220 + 2000 * t) * t) * std::exp(-4 * beat);
    put16(f, int(std::lround((tone + burst) * 30000)));
    put16(f, int(std::lround((0.5 * tone - burst + 0.1 * std::sin(2 * 3.14159265358979 * 660 * t)) * 30000)));
  }
  std::fclose(f);
}

TEST(Mp3Peer, MatchesMpg123OnLameEncodedFiles) {
  if (!have_tool("lame") || !have_tool("mpg123")) FAIL() << "lame or mpg123 missing";
  char dir_template[] = "/tmp/vt_mp3_peer_XXXXXX";
  char* dir = mkdtemp(dir_template);
  ASSERT_NE(nullptr, dir);
  std::string wav = std::string(dir) + "/signal.wav", mp3 = std::string(dir) + "/signal.mp3",
              raw = std::string(dir) + "/signal.raw";
  write_signal(wav);

  const char* settings[] = {
      "--resample 8 -m m -b 16",      // MPEG-2.5, 8 kHz mono
      "--resample 11.025 -b 32",      // MPEG-2.5, 11.025 kHz
      "--resample 12 -m j -b 32",     // MPEG-2.5, 12 kHz
      "--resample 16 -b 48",          // MPEG-2
      "--resample 24 -m s -b 64",     // MPEG-2, plain stereo
      "--resample 32 -b 96",          // MPEG-1, 32 kHz
      "--resample 48 -m s -b 192",    // MPEG-1, 48 kHz
      "-m j -b 320",                  // MPEG-1, largest frames
      "-m f -b 128",                  // forced mid/side
      "-V 2",                         // VBR with a Xing frame
  };
  for (const char* setting : settings) {
    SCOPED_TRACE(setting);
    std::string encode = "lame --quiet " + std::string(setting) + " '" + wav + "' '" + mp3 + "'";
    ASSERT_EQ(0, std::system(encode.c_str()));
    std::string decode = "mpg123 -q --no-gapless -s '" + mp3 + "' > '" + raw + "' 2>/dev/null";
    ASSERT_EQ(0, std::system(decode.c_str()));
    std::vector<uint8_t> reference = mp3test::load_file(raw);
    SourceRef source = open_mp3(mp3.c_str());
    ASSERT_EQ(kSourceOk, source->status);
    std::vector<int32_t> decoded = mp3test::decode_all(*source);
    ASSERT_EQ(reference.size() / 2, decoded.size());
    double squared = 0;
    for (size_t i = 0; i < decoded.size(); ++i) {
      int v = (decoded[i] + 8) >> 4;
      v = v > 32767 ? 32767 : v < -32768 ? -32768 : v;
      double d = v - int16_t(reference[2 * i] | reference[2 * i + 1] << 8);
      squared += d * d;
    }
    double mse = squared / double(decoded.size());
    EXPECT_GE(mse > 0 ? 10 * std::log10(32767.0 * 32767.0 / mse) : 200.0, 96.0);
  }
  std::remove(wav.c_str()), std::remove(mp3.c_str()), std::remove(raw.c_str()), rmdir(dir);
}

}  // namespace
}  // namespace vt
