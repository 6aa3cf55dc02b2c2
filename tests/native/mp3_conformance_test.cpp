// The reader against the ISO/IEC 11172-4 and 13818-4 Layer III conformance streams:
// the same number of samples as the reference output and at least 96 dB PSNR.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

#include "tests/native/mp3_test_support.h"

namespace vt {
namespace {

struct Stream {
  const char* name;
  // The 11172-4 reference outputs stop one frame short: the decoder that wrote them
  // emitted a frame only once the next frame header had been read, so a stream's
  // last complete frame is missing there when no header follows it. This reader
  // decodes that frame too.
  int frames_missing_from_reference;
};

const Stream kStreams[] = {
    {"l3-compl", 0},         {"l3-he_32khz", 1},       {"l3-he_44khz", 1},
    {"l3-hecommon", 1},      {"l3-si", 1},             {"l3-si_block", 1},
    {"l3-si_huff", 1},       {"l3-sin1k0db", 0},       {"l3-test45", 0},
    {"M2L3_bitrate_16_all", 0}, {"M2L3_bitrate_22_all", 0}, {"M2L3_bitrate_24_all", 0},
    {"M2L3_compl24", 0},
};

void PrintTo(const Stream& stream, std::ostream* out) { *out << stream.name; }

class Mp3Conformance : public ::testing::TestWithParam<Stream> {};

TEST_P(Mp3Conformance, MatchesTheReferenceOutput) {
  const Stream& stream = GetParam();
  std::string bit = mp3test::vector_path(std::string("iso/") + stream.name + ".bit");
  std::string pcm = mp3test::vector_path(std::string("iso/") + stream.name + ".pcm");
  if (bit.empty() || pcm.empty()) FAIL() << "conformance streams not present";

  std::vector<uint8_t> reference_bytes = mp3test::load_file(pcm);
  std::vector<int16_t> reference(reference_bytes.size() / 2);
  for (size_t i = 0; i < reference.size(); ++i)
    reference[i] = int16_t(reference_bytes[2 * i] | reference_bytes[2 * i + 1] << 8);

  SourceRef source = open_mp3(bit.c_str());
  ASSERT_EQ(kSourceOk, source->status);
  auto* reader = static_cast<Mp3Reader*>(source.get());
  std::vector<int32_t> decoded = mp3test::decode_all(*source);

  size_t extra = size_t(stream.frames_missing_from_reference) * reader->samples_per_frame() * source->channels;
  ASSERT_EQ(reference.size() + extra, decoded.size());

  double squared = 0;
  for (size_t i = 0; i < reference.size(); ++i) {
    ASSERT_LE(std::abs(decoded[i]), kMp3PeakBound);
    int v = (decoded[i] + 8) >> 4;  // sample units to 16 bits, clipped as the reference is
    v = v > 32767 ? 32767 : v < -32768 ? -32768 : v;
    double d = v - reference[i];
    squared += d * d;
  }
  double mse = squared / double(reference.size());
  double psnr = mse > 0 ? 10 * std::log10(32767.0 * 32767.0 / mse) : 200.0;
  EXPECT_GE(psnr, 96.0) << stream.name;
}

INSTANTIATE_TEST_SUITE_P(IsoStreams, Mp3Conformance, ::testing::ValuesIn(kStreams),
                         [](const ::testing::TestParamInfo<Stream>& info) {
                           std::string name = info.param.name;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

}  // namespace
}  // namespace vt
