#include <gtest/gtest.h>

#include "base/paths.h"
#include "base/time_units.h"

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

#include "recorder/recorder_rules.h"

namespace vt {

TEST(RecorderRules, MaximumTimeText) {
  EXPECT_EQ(3600000, parse_max_time_ms("1:00:00"));
  EXPECT_EQ(5000, parse_max_time_ms("0:00:05"));
  EXPECT_EQ(5000, parse_max_time_ms("5"));
  EXPECT_EQ(90250, parse_max_time_ms("1:30.25"));
  EXPECT_EQ(1234, parse_max_time_ms("1.2345"));  // at most three fraction digits
  EXPECT_EQ(-65000, parse_max_time_ms("1:-05"));
  EXPECT_EQ(65000, parse_max_time_ms("1 m: 0x5"));  // other characters are skipped
  EXPECT_EQ(0, parse_max_time_ms(""));
  EXPECT_EQ("-0:00:01.00", time_text(-1005));
}

TEST(RecorderRules, IntervalToneLastsAtLeastOneSecond) {
  EXPECT_EQ(30000u, interval_tone_ms(30));
  EXPECT_EQ(1000u, interval_tone_ms(0));  // letters read as 0
  EXPECT_EQ(1000u, interval_tone_ms(-7));
  EXPECT_EQ(2147483000u, interval_tone_ms(2147483647));
}

TEST(RecorderRules, UnattendedTimeOutsFallBackToTheirDefaultsAndStayBounded) {
  EXPECT_EQ(25000u, device_timeout_ms(0));  // letters read as 0
  EXPECT_EQ(25000u, device_timeout_ms(-3));
  EXPECT_EQ(2000u, device_timeout_ms(2));
  EXPECT_EQ(3600000u, device_timeout_ms(2147483647));
  EXPECT_EQ(60000, silence_warning_ms(0));
  EXPECT_EQ(5000, silence_warning_ms(5));
  EXPECT_EQ(86400000, silence_warning_ms(2147483647));
  EXPECT_EQ("Untitled 03 (2)", numbered_name("Untitled 03", 2));
}

TEST(RecorderRules, FreeSpaceAndDrive) {
  EXPECT_EQ(0u, free_space_kb(1023));
  EXPECT_EQ(2u, free_space_kb(2048));
  EXPECT_EQ(4194304u + 1u, free_space_kb((1ull << 32) + 1024));
  // Beyond 4 TB the count stops growing in its high part.
  EXPECT_EQ(1023u * 4194304u, free_space_kb(5000ull << 32));
  EXPECT_EQ("C:\\", drive_of("C:\\Users\\me\\Vocatrack"));
  EXPECT_EQ("\\", drive_of("\\\\server\\share"));
  EXPECT_EQ("rel", drive_of("rel"));
}

}  // namespace vt
