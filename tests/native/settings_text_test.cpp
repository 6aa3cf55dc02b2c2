#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "base/retry_schedule.h"
#include "base/settings_text.h"

namespace vt {

TEST(SettingText, IntegersTakeTheLeadingDecimalPart) {
  EXPECT_EQ(30, parse_setting_int("", 30));
  EXPECT_EQ(30, parse_setting_int(nullptr, 30));
  EXPECT_EQ(0, parse_setting_int("abc", 30));
  EXPECT_EQ(0, parse_setting_int("-", 30));
  EXPECT_EQ(0, parse_setting_int(" ", 30));
  EXPECT_EQ(-18, parse_setting_int("-18", 0));
  EXPECT_EQ(12, parse_setting_int(" \t+12dB", 0));
  EXPECT_EQ(7, parse_setting_int("7 8", 0));
  EXPECT_EQ(0, parse_setting_int("x12", 5));
  // Out of range clamps instead of wrapping.
  EXPECT_EQ(INT_MAX, parse_setting_int("99999999999999999999", 0));
  EXPECT_EQ(INT_MIN, parse_setting_int("-99999999999999999999", 0));
  EXPECT_EQ(INT_MIN, parse_setting_int("-2147483648", 0));
  EXPECT_EQ(INT_MAX, parse_setting_int("2147483647", 0));
}

TEST(SettingText, BooleansAreFalseOnlyForALeadingZero) {
  for (const char* text : {"1", "yes", "2", "no", " 0"}) EXPECT_TRUE(parse_setting_bool(text, false)) << text;
  for (const char* text : {"0", "0abc", "00"}) EXPECT_FALSE(parse_setting_bool(text, true)) << text;
  EXPECT_TRUE(parse_setting_bool("", true));
  EXPECT_FALSE(parse_setting_bool("", false));
}

TEST(SettingText, FormatsAndKeyPath) {
  EXPECT_EQ("-18", format_setting_int(-18));
  EXPECT_EQ("-2147483648", format_setting_int(INT_MIN));
  EXPECT_STREQ("1", format_setting_bool(true));
  EXPECT_STREQ("0", format_setting_bool(false));
  EXPECT_EQ("Software\\Ardentine\\Vocatrack\\Settings", settings_key_path("Settings"));
  EXPECT_EQ(kSettingKeyBytes - 1, settings_key_path(std::string(400, 'x').c_str()).size());
}

std::vector<uint32_t> waits_of(uint32_t budget) {
  RetrySchedule schedule(budget);
  std::vector<uint32_t> waits;
  uint32_t wait = 0;
  while (waits.size() < 100 && schedule.next_wait(&wait)) waits.push_back(wait);
  return waits;
}

TEST(RetrySchedule, WaitsDoubleUntilTheBudgetIsSpent) {
  EXPECT_EQ((std::vector<uint32_t>{4, 8, 16, 32, 64, 128, 256, 512}), waits_of(1000));
  // 5000 ms: first wait 20; charged 20, 40, ... while the rest exceeds the wait.
  EXPECT_EQ((std::vector<uint32_t>{20, 40, 80, 160, 320, 640, 1280, 2560}), waits_of(5000));
  EXPECT_EQ((std::vector<uint32_t>{1}), waits_of(0));
  // Small budgets still wait and end instead of spinning on a zero wait.
  EXPECT_EQ((std::vector<uint32_t>{1, 2, 4, 8, 16, 32, 64}), waits_of(100));
  EXPECT_EQ((std::vector<uint32_t>{1}), waits_of(1));
}

TEST(RetrySchedule, HugeBudgetsNeitherWrapNorLoopForever) {
  std::vector<uint32_t> waits = waits_of(0xFFFFFFFFu);
  ASSERT_FALSE(waits.empty());
  EXPECT_EQ(16777216u, waits.front());  // (2^32 - 1 + 127) / 256 without wrapping
  EXPECT_LT(waits.size(), 100u);
  for (uint32_t wait : waits) EXPECT_LE(wait, 0x7FFFFFFFu);
}

}  // namespace vt
