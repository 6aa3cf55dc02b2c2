// The MP3 filter bank at each vector width gives the same samples, bit for bit, on the
// conformance streams (long, short and mixed blocks, joint stereo, MPEG-1 and MPEG-2).
#include <gtest/gtest.h>

#include "formats/mp3_layer3.h"
#include "tests/native/mp3_test_support.h"

namespace vt {
namespace {

std::vector<int32_t> decode_with(int lanes, const std::string& path) {
  EXPECT_TRUE(mp3::use_filterbank_lanes(lanes));
  SourceRef source = open_mp3(path.c_str());
  EXPECT_EQ(kSourceOk, source->status) << path;
  return mp3test::decode_all(*source, 1000);
}

TEST(Mp3FilterBank, EveryVectorWidthGivesTheSameSamples) {
  const int best = mp3::filterbank_lanes();
  const char* streams[] = {"iso/l3-compl.bit",      "iso/l3-he_44khz.bit",     "iso/l3-si_block.bit",
                           "iso/l3-si_huff.bit",    "iso/l3-sin1k0db.bit",     "iso/l3-test45.bit",
                           "iso/l3-hecommon.bit",   "iso/M2L3_compl24.bit",    "iso/M2L3_bitrate_22_all.bit",
                           "odd/l3-nonstandard-big-iscf.bit"};
  int compared = 0;
  for (const char* name : streams) {
    std::string path = mp3test::vector_path(name);
    ASSERT_FALSE(path.empty()) << "missing test stream " << name << " (VT_SHARED_DIR)";
    std::vector<int32_t> four = decode_with(4, path);
    ASSERT_FALSE(four.empty()) << name;
    if (!mp3::use_filterbank_lanes(8)) continue;  // a processor without AVX2
    std::vector<int32_t> eight = decode_with(8, path);
    ASSERT_EQ(four.size(), eight.size()) << name;
    size_t first = 0;
    while (first < four.size() && four[first] == eight[first]) ++first;
    EXPECT_EQ(four.size(), first) << name << ": first difference at sample " << first;
    ++compared;
  }
  mp3::use_filterbank_lanes(best);
  EXPECT_FALSE(mp3::use_filterbank_lanes(3));
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx2")) {
    EXPECT_EQ(10, compared);
  }
#endif
}

}  // namespace
}  // namespace vt
