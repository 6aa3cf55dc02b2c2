// What the options pages accept from their boxes.
#include <gtest/gtest.h>

#include "gui/options_rules.h"

namespace {

using vt::check_interval;
using vt::check_max_duration;
using vt::IntervalCheck;
using vt::MaxDurationCheck;

TEST(OptionsRules, MaxDurationLimitsAndLetters) {
  EXPECT_EQ(MaxDurationCheck::kAccepted, check_max_duration("2:00:00"));
  EXPECT_EQ(MaxDurationCheck::kAccepted, check_max_duration("1:00:00"));
  EXPECT_EQ(MaxDurationCheck::kAccepted, check_max_duration("0:00:01"));
  EXPECT_EQ(MaxDurationCheck::kAccepted, check_max_duration("90.5"));
  EXPECT_EQ(MaxDurationCheck::kOutOfRange, check_max_duration("0:00:00"));
  EXPECT_EQ(MaxDurationCheck::kOutOfRange, check_max_duration("2:00:01"));
  EXPECT_EQ(MaxDurationCheck::kOutOfRange, check_max_duration("0.999"));
  EXPECT_EQ(MaxDurationCheck::kOutOfRange, check_max_duration("-0:10"));
  EXPECT_EQ(MaxDurationCheck::kOutOfRange, check_max_duration(":::"));
  EXPECT_EQ(MaxDurationCheck::kOutOfRange, check_max_duration("99999999999999"));
  EXPECT_EQ(MaxDurationCheck::kInvalid, check_max_duration(""));
  EXPECT_EQ(MaxDurationCheck::kInvalid, check_max_duration("1h"));
  EXPECT_EQ(MaxDurationCheck::kInvalid, check_max_duration("0:30:00 min"));
  EXPECT_EQ(MaxDurationCheck::kInvalid, check_max_duration("\xE9"));  // é in Windows-1252
}

TEST(OptionsRules, IntervalBox) {
  EXPECT_EQ(IntervalCheck::kAccepted, check_interval("30"));
  EXPECT_EQ(IntervalCheck::kAccepted, check_interval("1"));
  EXPECT_EQ(IntervalCheck::kAccepted, check_interval("2147483"));
  EXPECT_EQ(IntervalCheck::kEmpty, check_interval(""));
  EXPECT_EQ(IntervalCheck::kInvalid, check_interval("3O"));
  EXPECT_EQ(IntervalCheck::kInvalid, check_interval("abc"));
  // Periods the tone timer cannot use.
  EXPECT_EQ(IntervalCheck::kInvalid, check_interval("0"));
  EXPECT_EQ(IntervalCheck::kInvalid, check_interval("-5"));
  EXPECT_EQ(IntervalCheck::kInvalid, check_interval("2147484"));
  EXPECT_EQ(IntervalCheck::kInvalid, check_interval(" "));
}

TEST(OptionsRules, BoxNumberIsSignedAndBounded) {
  EXPECT_EQ(200, vt::box_number("200"));
  EXPECT_EQ(-12, vt::box_number("  -12MB"));
  EXPECT_EQ(0, vt::box_number(""));
  EXPECT_EQ(0, vt::box_number("x5"));
  EXPECT_EQ(2147483647, vt::box_number("99999999999999999999"));
  EXPECT_EQ(-2147483647 - 1, vt::box_number("-99999999999999999999"));
}

TEST(OptionsRules, EmailAddressTest) {
  EXPECT_TRUE(vt::is_plausible_email_address("jean@example.fr"));
  EXPECT_TRUE(vt::is_plausible_email_address("a@b.cd"));
  EXPECT_TRUE(vt::is_plausible_email_address("a@b.cd, x@y.org"));
  EXPECT_FALSE(vt::is_plausible_email_address("jean@example.f"));
  EXPECT_FALSE(vt::is_plausible_email_address("@example.fr"));
  EXPECT_FALSE(vt::is_plausible_email_address("jean.example.fr"));
  EXPECT_FALSE(vt::is_plausible_email_address("jean.dupont@examplefr"));
  EXPECT_FALSE(vt::is_plausible_email_address(""));
}

}  // namespace
