#include <gtest/gtest.h>

#include "base/time_units.h"
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
