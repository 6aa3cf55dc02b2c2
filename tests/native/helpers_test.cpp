#include <gtest/gtest.h>

#include "app/paths.h"
#include "app/time_units.h"

namespace vt {

TEST(JoinPath, AddsOneSeparatorAndCutsAtTheLimit) {
  EXPECT_EQ("C:\\a\\b.wav", join_path("C:\\a", "b.wav"));
  EXPECT_EQ("C:\\a\\b.wav", join_path("C:\\a\\", "b.wav"));
  EXPECT_EQ("C:/a/b.wav", join_path("C:/a/", "b.wav"));
  EXPECT_EQ("b.wav", join_path("", "b.wav"));
  std::string long_path = join_path(std::string(250, 'x'), std::string(20, 'y'));
  EXPECT_EQ(kMaxPathChars, long_path.size());
  EXPECT_EQ('\\', long_path[250]);
}

TEST(TimeUnits, ConvertWithoutOverflowAndRoundTheText) {
  EXPECT_EQ(1000, frames_to_ms(44100, 44100));
  EXPECT_EQ(22, frames_to_ms(1000, 44100));
  // Four hours at 48 kHz: frames * 1000 would overflow 32 bits.
  EXPECT_EQ(4 * 3600 * 1000, frames_to_ms(48000 * 3600 * 4, 48000));
  EXPECT_EQ(48000 * 3600 * 4, ms_to_frames(4 * 3600 * 1000, 48000));
  EXPECT_EQ(4410, ms_to_frames(100, 44100));
  EXPECT_EQ("0:00:00.00", time_text(0));
  EXPECT_EQ("0:00:01.00", time_text(995));
  EXPECT_EQ("0:00:00.99", time_text(994));
  EXPECT_EQ("1:01:01.50", time_text(3661500));
}

}  // namespace vt
