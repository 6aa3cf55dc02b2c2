// Geometry and text rules of the level meter and the decibel slider.
#include <gtest/gtest.h>

#include "ui/meter_geometry.h"

namespace vt {
namespace {

TEST(MeterGeometry, LevelsMapAcrossTheWidth) {
  // 193 pixels: 192 columns over 48 dB, 4 columns per dB.
  EXPECT_EQ(meter_x(-36, 193), 0);
  EXPECT_EQ(meter_x(0, 193), 144);  // three quarters
  EXPECT_EQ(meter_x(12, 193), 192);  // the right edge
  EXPECT_EQ(meter_x(-35, 100), 2);   // 99 ÷ 48 rounds down
  EXPECT_EQ(clamp_meter_level(20), 12);
  EXPECT_EQ(clamp_meter_level(-127), -36);
  EXPECT_EQ(clamp_meter_level(-5), -5);
}

TEST(MeterGeometry, ChannelRowsSplitByIntegerDivisionLeavingTheLastRow) {
  // Height 17: 16 rows for the bands, row 16 for the edge line.
  EXPECT_EQ(channel_rows(0, 2, 17).top, 0);
  EXPECT_EQ(channel_rows(0, 2, 17).bottom, 8);
  EXPECT_EQ(channel_rows(1, 2, 17).top, 8);
  EXPECT_EQ(channel_rows(1, 2, 17).bottom, 16);
  // Odd height 16: 15 rows split 7 and 8.
  EXPECT_EQ(channel_rows(0, 2, 16).bottom, 7);
  EXPECT_EQ(channel_rows(1, 2, 16).top, 7);
  EXPECT_EQ(channel_rows(1, 2, 16).bottom, 15);
  EXPECT_EQ(channel_rows(0, 0, 16).bottom, 0);
}

TEST(SliderGeometry, TrackThumbAndValues) {
  // 200 wide with a 40-pixel text box: track 41…199, 158 pixels for 48 dB.
  SliderLayout layout = slider_layout(200, 20, 40, -36, 12);
  EXPECT_EQ(layout.track_left, 41);
  EXPECT_EQ(layout.track_right, 199);
  EXPECT_EQ(layout.track_top, 2);
  EXPECT_EQ(layout.track_bottom, 18);
  EXPECT_EQ(layout.position(-36), 41);
  EXPECT_EQ(layout.position(12), 199);
  EXPECT_EQ(layout.position(0), 41 + 36 * 158 / 48);
  // The thumb stays inside the track at both ends.
  EXPECT_EQ(layout.thumb_left(-36), 41);
  EXPECT_EQ(layout.thumb_left(12), 199 - kThumbWidth);
  EXPECT_EQ(layout.thumb_left(0), layout.position(0) - 6);
  // Pointer positions: left of the track is the minimum, beyond it the maximum.
  EXPECT_EQ(layout.value_at(0), -36);
  EXPECT_EQ(layout.value_at(41), -36);
  EXPECT_EQ(layout.value_at(500), 12);
  // Both formulas round down, so the column just right of a value's position reads it back.
  for (int value = -36; value <= 12; ++value) EXPECT_EQ(layout.value_at(layout.position(value) + 1), value);
}

TEST(SliderGeometry, ThumbAndInsetsGrowWithTheDpi) {
  // 150 %: the 12-pixel thumb is 18 wide, the 2-pixel insets 3.
  SliderLayout large = slider_layout(300, 30, 60, -36, 12, 144);
  EXPECT_EQ(large.thumb_width, 18);
  EXPECT_EQ(large.track_top, 3);
  EXPECT_EQ(large.track_bottom, 27);
  EXPECT_EQ(large.thumb_left(12), 299 - 18);
  EXPECT_EQ(large.thumb_left(0), large.position(0) - 9);
  EXPECT_EQ(slider_repaint_span(large, -20, 6).left, large.position(-20) - 18);
  // 200 %: 24 and 4.
  SliderLayout double_size = slider_layout(400, 40, 80, -36, 12, 192);
  EXPECT_EQ(double_size.thumb_width, 24);
  EXPECT_EQ(double_size.track_top, 4);
  EXPECT_EQ(double_size.track_bottom, 36);
}

TEST(SliderGeometry, EmptyRangeAndNarrowTrackDivideByOne) {
  SliderLayout flat = slider_layout(100, 20, 0, 5, 5);
  EXPECT_EQ(flat.position(5), flat.track_left);
  EXPECT_EQ(flat.value_at(80), 5);
  SliderLayout narrow = slider_layout(3, 3, 10, -36, 12);
  EXPECT_EQ(narrow.track_width(), 0);
  EXPECT_EQ(narrow.value_at(50), -36);
  EXPECT_EQ(narrow.thumb_left(0), narrow.track_left);
}

TEST(SliderGeometry, RepaintSpanCoversBothThumbs) {
  SliderLayout layout = slider_layout(200, 20, 40, -36, 12);
  ColumnSpan span = slider_repaint_span(layout, -20, 6);
  EXPECT_LE(span.left, layout.thumb_left(-20));
  EXPECT_GE(span.right, layout.thumb_left(6) + kThumbWidth);
  EXPECT_EQ(span.left, layout.position(-20) - 12);
  span = slider_repaint_span(layout, 12, -36);
  EXPECT_EQ(span.left, layout.position(-36) - 12);
  EXPECT_GE(span.right, layout.track_right);
}

TEST(DbText, TypedNumbers) {
  EXPECT_EQ(parse_db_text("-"), 0);
  EXPECT_EQ(parse_db_text(""), 0);
  EXPECT_EQ(parse_db_text("-12dB"), -12);
  EXPECT_EQ(parse_db_text("7"), 7);
  EXPECT_EQ(parse_db_text("1a2"), 12);
  EXPECT_EQ(parse_db_text("--dB"), -127);
  EXPECT_EQ(parse_db_text("--5"), -127);  // 1275 clamped
  EXPECT_EQ(parse_db_text("-3-"), -127);
  EXPECT_EQ(parse_db_text("500"), 127);
  EXPECT_EQ(parse_db_text("-99999999999999999999"), -127);
  EXPECT_EQ(parse_db_text("2-"), -2);  // the sign may come anywhere
}

TEST(DbText, Formatting) {
  char text[16];
  format_db_text(-12, text, sizeof text);
  EXPECT_STREQ(text, "-12dB");
  format_db_text(0, text, sizeof text);
  EXPECT_STREQ(text, "0dB");
  format_db_text(-126, text, sizeof text);
  EXPECT_STREQ(text, "-126dB");
  format_db_text(-127, text, sizeof text);
  EXPECT_STREQ(text, "--dB");
  EXPECT_EQ(parse_db_text("--dB"), -127);  // the text reads back as the value it shows
}

}  // namespace
}  // namespace vt
