// Malformed input: the reader opens it without crashing, hanging or reading outside
// its buffers (the sanitizer tree runs these too), decodes what it can, keeps its
// samples within the peak bound, and reports the rest as the end of the stream.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>

#include "tests/native/mp3_test_support.h"

namespace vt {
namespace {

// Decodes everything, also with a few seeks, and checks the samples' bound.
void exercise(SourceRef& source) {
  if (source->status != kSourceOk) return;
  std::vector<int32_t> all = mp3test::decode_all(*source, 1000);
  for (int32_t s : all) ASSERT_LE(std::abs(s), kMp3PeakBound);
  EXPECT_EQ(all.size(), size_t(source->length()) * source->channels);
  std::vector<int32_t> buffer(size_t(3000) * source->channels);
  for (int32_t target : {0, 1, 5000, source->length() / 2, source->length() - 10, source->length() + 10}) {
    source->seek(target);
    source->read(buffer.data(), 3000);
    for (int32_t s : buffer) ASSERT_LE(std::abs(s), kMp3PeakBound);
  }
}

TEST(Mp3Robustness, OddStreamsOpenAndDecodeWithoutHarm) {
  std::string dir = mp3test::shared_dir();
  DIR* folder = dir.empty() ? nullptr : opendir((dir + "/mp3-vectors/odd").c_str());
  if (!folder) FAIL() << "odd streams not present";
  std::vector<std::string> names;
  while (dirent* entry = readdir(folder))
    if (entry->d_name[0] != '.') names.push_back(entry->d_name);
  closedir(folder);
  std::sort(names.begin(), names.end());
  ASSERT_FALSE(names.empty());
  int usable = 0;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    std::string path = dir + "/mp3-vectors/odd/" + name;
    SourceRef source = open_mp3(path.c_str());
    EXPECT_TRUE(source->status == kSourceOk || source->status == kSourceBadFormat);
    if (source->status == kSourceOk) ++usable;
    exercise(source);
  }
  EXPECT_GT(usable, 0);
}

TEST(Mp3Robustness, SmallFileIsUnusable) {
  std::string path = mp3test::vector_path("odd/l3-nonstandard-small.bit");
  if (path.empty()) FAIL() << "odd streams not present";
  EXPECT_EQ(kSourceBadFormat, open_mp3(path.c_str())->status);
}

TEST(Mp3Robustness, CutStreamEndsEarlyWithTheLengthItDelivered) {
  std::string path = mp3test::vector_path("iso/l3-compl.bit");
  if (path.empty()) FAIL() << "conformance streams not present";
  std::vector<uint8_t> bytes = mp3test::load_file(path);
  for (size_t cut = 0; cut < 6000 && cut < bytes.size(); cut += 37) {
    SCOPED_TRACE(cut);
    SourceRef source = open_mp3_memory(bytes.data(), cut);
    exercise(source);
  }
}

uint32_t next_random(uint32_t* state) {
  uint32_t x = *state;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  return *state = x;
}

// Damaged copies of real streams: random bytes overwritten, so headers, side
// information and Huffman data all get impossible values now and then.
TEST(Mp3Robustness, CorruptedStreamsNeverCrash) {
  std::vector<std::vector<uint8_t>> seeds;
  for (const char* name : {"iso/l3-test45.bit", "iso/l3-si_block.bit", "iso/M2L3_compl24.bit", "iso/l3-sin1k0db.bit"}) {
    std::string path = mp3test::vector_path(name);
    if (path.empty()) continue;
    std::vector<uint8_t> bytes = mp3test::load_file(path);
    if (bytes.size() > 24000) bytes.resize(24000);
    seeds.push_back(bytes);
  }
  if (seeds.empty()) FAIL() << "conformance streams not present";
  uint32_t state = 0x12345678;
  for (int round = 0; round < 120; ++round) {
    SCOPED_TRACE(round);
    std::vector<uint8_t> bytes = seeds[size_t(round) % seeds.size()];
    int damage = 1 + int(next_random(&state) % 200);
    for (int i = 0; i < damage; ++i) {
      size_t at = next_random(&state) % bytes.size();
      bytes[at] = round % 3 == 0 ? uint8_t(next_random(&state)) : uint8_t(bytes[at] ^ (1u << (next_random(&state) % 8)));
    }
    SourceRef source = open_mp3_memory(bytes.data(), bytes.size());
    exercise(source);
  }
}

TEST(Mp3Robustness, GarbageFullOfSyncWordsNeverCrashes) {
  uint32_t state = 99;
  for (int round = 0; round < 40; ++round) {
    std::vector<uint8_t> bytes(20000);
    for (uint8_t& b : bytes) b = uint8_t(next_random(&state));
    for (size_t at = 0; at + 4 < bytes.size(); at += 1 + next_random(&state) % 400) {
      bytes[at] = 0xFF;
      bytes[at + 1] |= 0xE2;
      bytes[at + 1] &= 0xFB;  // Layer III, any version
    }
    SourceRef source = open_mp3_memory(bytes.data(), bytes.size());
    exercise(source);
  }
}

// Writes fields most significant bit first.
struct BitWriter {
  std::vector<uint8_t>* bytes;
  size_t bit;
  void put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i, ++bit)
      if (value >> i & 1) (*bytes)[bit >> 3] |= uint8_t(0x80 >> (bit & 7));
  }
};

// A mono 128 kbit/s frame: a short-block first granule (which reads no long scale
// factors) and a second granule that reuses them all through scfsi, with preflag set.
std::vector<uint8_t> scfsi_frame(int scfsi) {
  std::vector<uint8_t> frame = mp3test::silent_frame(0, 9, 0, 3);
  BitWriter w{&frame, 32};
  w.put(0, 9), w.put(0, 5), w.put(uint32_t(scfsi), 4);
  // Granule 0: part2_3_length, big_values, global_gain, scalefac_compress, window
  // switching, short blocks, not mixed, two tables, three subblock gains, flags.
  w.put(0, 12), w.put(0, 9), w.put(150, 8), w.put(0, 4), w.put(1, 1), w.put(2, 2), w.put(0, 1);
  w.put(0, 10), w.put(0, 9), w.put(0, 3);
  // Granule 1: one pair from table 1 (code 000: x = y = 1, two sign bits), preflag set.
  w.put(5, 12), w.put(1, 9), w.put(150, 8), w.put(0, 4), w.put(0, 1);
  w.put(1, 5), w.put(0, 5), w.put(0, 5), w.put(0, 4), w.put(0, 3), w.put(1, 1), w.put(1, 1), w.put(0, 1);
  return frame;
}

// Found by fuzzing: scale factors reused through scfsi before any granule had set
// them were read uninitialised and indexed past the power table.
TEST(Mp3Robustness, ReusedScaleFactorsStartFromZero) {
  std::vector<uint8_t> reused, explicit_zero;
  for (int i = 0; i < 3; ++i) {
    mp3test::append(&reused, scfsi_frame(15));
    mp3test::append(&explicit_zero, scfsi_frame(0));
  }
  SourceRef a = open_mp3_memory(reused.data(), reused.size());
  SourceRef b = open_mp3_memory(explicit_zero.data(), explicit_zero.size());
  std::vector<int32_t> from_reused = mp3test::decode_all(*a);
  std::vector<int32_t> from_zero = mp3test::decode_all(*b);
  ASSERT_EQ(size_t(3 * 1152), from_zero.size());
  bool sound = false;
  for (int32_t s : from_zero) sound = sound || s != 0;
  EXPECT_TRUE(sound);
  EXPECT_EQ(from_zero, from_reused);
}

}  // namespace
}  // namespace vt
