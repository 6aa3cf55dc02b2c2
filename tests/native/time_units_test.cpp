#include <gtest/gtest.h>

#include "base/time_units.h"

namespace vt {

TEST(TimeUnits, ConvertWithoutOverflowAndRoundTheText) {
  EXPECT_EQ(1000, frames_to_ms(44100, 44100));
  EXPECT_EQ(22, frames_to_ms(1000, 44100));
  // Four hours at 48 kHz: frames * 1000 would overflow 32 bits.
  EXPECT_EQ(4 * 3600 * 1000, frames_to_ms(48000 * 3600 * 4, 48000));
  EXPECT_EQ(48000 * 3600 * 4, ms_to_frames(4 * 3600 * 1000, 48000));
  EXPECT_EQ(4410, ms_to_frames(100, 44100));
  // At low rates a 32-bit frame count is more milliseconds than 32 bits hold.
  EXPECT_EQ(2147483647000LL, frames_to_ms(2147483647, 1));
  EXPECT_EQ(2149633280LL, frames_to_ms(2147483647, 999));
  EXPECT_EQ(2147483647, frames_to_ms32(2147483647, 999));
  EXPECT_EQ(2147483647, frames_to_ms32(2147483647, 1000));  // the lowest rate the readers take
  // Four hours at 192 kHz is more frames than 32 bits count: held, not wrapped.
  EXPECT_EQ(2147483647, ms_to_frames(4 * 3600 * 1000, 192000));
  EXPECT_EQ("0:00:00.00", time_text(0));
  EXPECT_EQ("0:00:01.00", time_text(995));
  EXPECT_EQ("0:00:00.99", time_text(994));
  EXPECT_EQ("1:01:01.50", time_text(3661500));
}

}  // namespace vt
