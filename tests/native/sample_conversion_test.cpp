// The vectorised 16-bit sample conversions against their byte-by-byte forms.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "audio/pcm_samples.h"

namespace vt {
namespace {

TEST(SampleConversion, SixteenBitFormsEqualTheByteForms) {
  std::mt19937 random(22);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int32_t> units(-0x80000, 0x7FFFF), any(INT32_MIN, INT32_MAX);
  for (int count : {0, 1, 3, 7, 8, 15, 17, 31, 33, 1001, 16384 + 5}) {
    std::vector<uint8_t> bytes(2 * count + 1);
    for (auto& b : bytes) b = static_cast<uint8_t>(byte(random));
    std::vector<int32_t> samples(count);
    for (int i = 0; i < count; ++i) samples[i] = i % 5 == 4 ? any(random) : units(random);
    const int32_t edges[] = {0x7FFF0, -0x7FFF0, 0x7FFF7, 0x7FFF8, -0x80000, -0x80001, INT32_MAX, INT32_MIN, -8, 7};
    for (int i = 0; i < count && i < 10; ++i) samples[i] = edges[i];

    // Odd start addresses as well: the byte buffers are not aligned in the readers.
    for (int offset : {0, 1}) {
      std::vector<int32_t> fast(count + 1, -1), slow(count + 1, -1);
      little16_to_units(bytes.data() + offset, fast.data(), count);
      pcm_reference::little16_to_units(bytes.data() + offset, slow.data(), count);
      EXPECT_EQ(slow, fast) << "little-endian in, " << count;
      big16_to_units(bytes.data() + offset, fast.data(), count);
      pcm_reference::big16_to_units(bytes.data() + offset, slow.data(), count);
      EXPECT_EQ(slow, fast) << "big-endian in, " << count;

      std::vector<uint8_t> fast_out(2 * count + 3, 0xAA), slow_out(2 * count + 3, 0xAA);
      units_to_little16(samples.data(), fast_out.data() + offset, count);
      pcm_reference::units_to_little16(samples.data(), slow_out.data() + offset, count);
      EXPECT_EQ(slow_out, fast_out) << "little-endian out, " << count;
      units_to_big16(samples.data(), fast_out.data() + offset, count);
      pcm_reference::units_to_big16(samples.data(), slow_out.data() + offset, count);
      EXPECT_EQ(slow_out, fast_out) << "big-endian out, " << count;

      // The byte swap stands for the round trip from little-endian through sample units.
      std::vector<uint8_t> swapped(2 * count + 3, 0xAA), slow_swapped(2 * count + 3, 0xAA);
      swap16_bytes(bytes.data() + offset, swapped.data() + offset, count);
      pcm_reference::swap16_bytes(bytes.data() + offset, slow_swapped.data() + offset, count);
      EXPECT_EQ(slow_swapped, swapped) << "swap, " << count;
      std::vector<int32_t> through(count + 1);
      pcm_reference::little16_to_units(bytes.data() + offset, through.data(), count);
      pcm_reference::units_to_big16(through.data(), slow_out.data() + offset, count);
      EXPECT_EQ(slow_out, swapped) << "swap against the round trip, " << count;
    }
  }
  // Fixed points of the rules: full scale both ways, rounding, byte order.
  const uint8_t full_be[] = {0x7F, 0xFF, 0x80, 0x00};
  int32_t from_be[2];
  big16_to_units(full_be, from_be, 2);
  EXPECT_EQ(0x7FFF0, from_be[0]);
  EXPECT_EQ(-0x80000, from_be[1]);
  const int32_t rounding[] = {0x7FFF7, -9};
  uint8_t le[4];
  units_to_little16(rounding, le, 2);
  EXPECT_EQ((std::vector<uint8_t>{0xFF, 0x7F, 0xFF, 0xFF}), std::vector<uint8_t>(le, le + 4));
}

}  // namespace
}  // namespace vt
