// The decoder's fast paths against its reference forms, bit for bit: the conformance and
// odd streams, and random frames of every version and mode (random side information
// reaches every Huffman table, linbits, block type, region split and overrun).
#include <gtest/gtest.h>

#include <dirent.h>

#include "formats/mp3_layer3.h"
#include "tests/native/mp3_test_support.h"

namespace vt {
namespace {

// Index of the first differing sample, or the size when both agree.
size_t first_difference(const std::vector<int32_t>& a, const std::vector<int32_t>& b) {
  size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return a.size() == b.size() ? i : std::min(i, std::min(a.size(), b.size()));
}

std::vector<int32_t> decode_bytes(const std::vector<uint8_t>& bytes, bool fast, int lanes = 4) {
  const int best = mp3::filterbank_lanes();
  mp3::use_fast_paths(fast);
  mp3::use_filterbank_lanes(lanes);
  SourceRef source = open_mp3_memory(bytes.data(), bytes.size());
  std::vector<int32_t> out;
  if (source->status == kSourceOk) out = mp3test::decode_all(*source, 1000);
  mp3::use_fast_paths(true);
  mp3::use_filterbank_lanes(best);
  return out;
}

// The reference form, four floats per vector, against the fast forms at every vector
// width the processor has.
void expect_fast_forms_agree(const std::vector<uint8_t>& bytes, const std::string& name) {
  std::vector<int32_t> reference = decode_bytes(bytes, false);
  for (int lanes : {4, 8}) {
    if (lanes == 8 && !mp3::use_filterbank_lanes(8)) continue;  // a processor without AVX2
    std::vector<int32_t> fast = decode_bytes(bytes, true, lanes);
    EXPECT_EQ(reference.size(), fast.size()) << name << ", " << lanes << " lanes";
    EXPECT_EQ(reference.size(), first_difference(reference, fast)) << name << ", " << lanes << " lanes";
  }
}

TEST(Mp3FastPaths, SameSamplesAsTheReferenceOnEveryStream) {
  int compared = 0;
  for (const char* folder : {"iso", "odd"}) {
    std::string dir = mp3test::shared_dir() + "/mp3-vectors/" + folder;
    DIR* d = opendir(dir.c_str());
    ASSERT_NE(nullptr, d) << "missing test streams in " << dir << " (VT_SHARED_DIR)";
    while (dirent* entry = readdir(d)) {
      std::string name = entry->d_name;
      if (name.size() < 4 || (name.substr(name.size() - 4) != ".bit" && name.substr(name.size() - 4) != ".mp3"))
        continue;
      std::vector<uint8_t> bytes = mp3test::load_file(dir + "/" + name);
      expect_fast_forms_agree(bytes, name);
      compared += decode_bytes(bytes, false).empty() ? 0 : 1;
    }
    closedir(d);
  }
  EXPECT_GE(compared, 24);
}

TEST(Mp3FastPaths, SameSamplesAsTheReferenceOnRandomFrames) {
  uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  for (int shift = 0; shift < 3; ++shift)
    for (int mode = 0; mode < 4; ++mode)
      for (int round = 0; round < 4; ++round) {
        std::vector<uint8_t> stream;
        int frames = 20 + int(next() % 17);  // lengths not a multiple of any read size
        for (int f = 0; f < frames; ++f) {
          int bitrate_index = 1 + int(next() % 14);
          std::vector<uint8_t> frame =
              mp3test::silent_frame(shift, bitrate_index, round % 3, mode, int(next() % 2));
          frame[3] = uint8_t(frame[3] | (next() % 4) << 4);  // mode extension: intensity, M/S
          for (size_t i = 4; i < frame.size(); ++i) frame[i] = uint8_t(next());
          // A small main_data_begin most of the time, so that the reservoir holds it.
          if (next() % 4) frame[4] = uint8_t(shift == 0 ? 0 : frame[4] & 0x0F), frame[5] &= 0x7F;
          mp3test::append(&stream, frame);
        }
        expect_fast_forms_agree(stream, "random frames, version " + std::to_string(shift) + ", mode " +
                                            std::to_string(mode) + ", round " + std::to_string(round));
      }
}

}  // namespace
}  // namespace vt
