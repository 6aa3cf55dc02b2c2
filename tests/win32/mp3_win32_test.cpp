// The MP3 reader in the Windows build: opens a stream by an ANSI path with
// backslashes and decodes it as the native build does.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "tests/native/mp3_test_support.h"

namespace vt {
namespace {

std::string windows_path(const std::string& linux_path) {
  std::string path = "Z:" + linux_path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

TEST(Mp3ReaderWin32, DecodesAConformanceStreamByWindowsPath) {
  const char* shared = std::getenv("VT_SHARED_DIR");
  if (!shared || !*shared) FAIL() << "shared folder not given";
  std::string base = windows_path(std::string(shared) + "/mp3-vectors/iso/l3-test45");
  std::vector<uint8_t> reference_bytes = mp3test::load_file(base + ".pcm");
  if (reference_bytes.empty()) FAIL() << "conformance streams not present";

  SourceRef source = open_mp3((base + ".bit").c_str());
  ASSERT_EQ(kSourceOk, source->status);
  EXPECT_EQ(22050, source->sample_rate);
  EXPECT_EQ(2, source->channels);
  std::vector<int32_t> decoded = mp3test::decode_all(*source);
  ASSERT_EQ(reference_bytes.size() / 2, decoded.size());
  double squared = 0;
  for (size_t i = 0; i < decoded.size(); ++i) {
    int v = (decoded[i] + 8) >> 4;
    v = v > 32767 ? 32767 : v < -32768 ? -32768 : v;
    double d = v - int16_t(reference_bytes[2 * i] | reference_bytes[2 * i + 1] << 8);
    squared += d * d;
  }
  double mse = squared / double(decoded.size());
  EXPECT_GE(mse > 0 ? 10 * std::log10(32767.0 * 32767.0 / mse) : 200.0, 96.0);

  EXPECT_EQ(kSourceCannotOpen, open_mp3("Z:\\nonexistent\\none.mp3")->status);
}

}  // namespace
}  // namespace vt
