// Where the conformance references cannot judge: seeking in a stream whose frames all
// differ, and the last frame that the ISO references leave out, both against Debian's
// mpg123 (and lame to encode).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/native/mp3_test_support.h"
#include "tests/support/native_files.h"

namespace vt {
namespace {

double psnr_db(const std::vector<int32_t>& decoded, size_t first, const std::vector<int32_t>& reference,
               size_t reference_first, size_t count) {
  double squared = 0;
  for (size_t i = 0; i < count; ++i) {
    int v = (decoded[first + i] + 8) >> 4;
    v = v > 32767 ? 32767 : v < -32768 ? -32768 : v;
    double d = v - reference[reference_first + i];
    squared += d * d;
  }
  double mse = squared / double(count);
  return mse > 0 ? 10 * std::log10(32767.0 * 32767.0 / mse) : 200.0;
}

double energy(const std::vector<int32_t>& samples, size_t first, size_t count) {
  double sum = 0;
  for (size_t i = 0; i < count; ++i) sum += double(samples[first + i]) * samples[first + i];
  return sum;
}

double difference(const std::vector<int32_t>& a, size_t a_first, const std::vector<int32_t>& b, size_t b_first,
                  size_t count) {
  double sum = 0;
  for (size_t i = 0; i < count; ++i) {
    double d = double(a[a_first + i]) - b[b_first + i];
    sum += d * d;
  }
  return sum;
}

TEST(Mp3SeekVarying, LandsOnTheRequestedSampleWhereEveryFrameDiffers) {
  if (!vt_test::have_program("sox") || !vt_test::have_program("lame")) FAIL() << "sox or lame not installed";
  vt_test::TempDir dir;
  std::string wav = dir.path("sweep.wav"), mp3 = dir.path("sweep.mp3");
  // A rising sweep under a slow tremolo: no two frames alike. Constant bit rate, so the
  // seek finds its frame from the average frame size.
  ASSERT_EQ(0, vt_test::run_command("sox -R -n -r 44100 -c 2 -b 16 '" + wav +
                                    "' synth 6 sine 100:6000 tremolo 1.3 60 gain -6"));
  ASSERT_EQ(0, vt_test::run_command("lame --quiet -b 128 '" + wav + "' '" + mp3 + "'"));
  SourceRef straight = open_mp3(mp3.c_str());
  ASSERT_EQ(kSourceOk, straight->status);
  std::vector<int32_t> expected = mp3test::decode_all(*straight);
  const size_t ch = straight->channels;
  SourceRef source = open_mp3(mp3.c_str());
  const size_t span = 2000;
  for (int32_t target : {0, 1, 1151, 1152, 5000, 4 * 1152 + 7, 60000, 100000, 140000, 200001, 250000}) {
    SCOPED_TRACE(target);
    source->seek(target);
    EXPECT_EQ(target, source->position());
    std::vector<int32_t> got(span * ch);
    source->read(got.data(), int(span));
    const size_t at = size_t(target) * ch;
    double wanted = energy(expected, at, span * ch);
    ASSERT_GT(wanted, 1e6 * span) << "the stream is silent there";
    EXPECT_LE(difference(got, 0, expected, at, span * ch), wanted * 1e-6 + got.size());
    // A frame off in either direction would not pass: the stream really varies.
    if (target >= 1152) EXPECT_GT(difference(got, 0, expected, at - 1152 * ch, span * ch), wanted * 1e-2);
    EXPECT_GT(difference(got, 0, expected, at + 1152 * ch, span * ch), wanted * 1e-2);
  }
}

// The ISO references stop one frame short (their decoder wrote a frame only once the next
// header had been read); this reader decodes that frame too, and it must be the real one.
TEST(Mp3LastFrame, MatchesMpg123WhereTheReferenceStopsShort) {
  if (!vt_test::have_program("mpg123")) FAIL() << "mpg123 not installed";
  for (const char* name : {"l3-he_32khz", "l3-he_44khz", "l3-hecommon", "l3-si", "l3-si_block", "l3-si_huff"}) {
    SCOPED_TRACE(name);
    std::string bit = mp3test::vector_path(std::string("iso/") + name + ".bit");
    if (bit.empty()) FAIL() << "conformance streams not present";
    std::string raw;
    ASSERT_EQ(0, vt_test::run_command("mpg123 -q --no-gapless -s '" + bit + "' 2>/dev/null", &raw));
    std::vector<int32_t> reference =
        vt_test::s16_samples(std::vector<uint8_t>(raw.begin(), raw.end()));
    SourceRef source = open_mp3(bit.c_str());
    ASSERT_EQ(kSourceOk, source->status);
    std::vector<int32_t> decoded = mp3test::decode_all(*source);
    ASSERT_EQ(reference.size(), decoded.size());
    const size_t frame = size_t(static_cast<Mp3Reader*>(source.get())->samples_per_frame()) * source->channels;
    const size_t last = decoded.size() - frame;
    EXPECT_GT(energy(decoded, last, frame), 0.0) << "the last frame is silent";
    EXPECT_GE(psnr_db(decoded, last, reference, last, frame), 96.0);
    // And it continues the frame before it without a jump.
    EXPECT_GE(psnr_db(decoded, last - frame, reference, last - frame, 2 * frame), 96.0);
  }
}

}  // namespace
}  // namespace vt
