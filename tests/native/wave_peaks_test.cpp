// The waveform's mapping between frames and pixel columns, its moves and column values.
#include <gtest/gtest.h>

#include <vector>

#include "audio/stream.h"
#include "ui/wave_peaks.h"

namespace vt {
namespace {

TEST(WaveView, RescaleMapsFramesToColumnsBothWays) {
  WaveView view;
  view.width = 200;
  ViewChange change = apply_view_request(view, 0, 88200, true);
  EXPECT_TRUE(change.rescaled);
  EXPECT_EQ(0, change.lo);
  EXPECT_EQ(200, change.hi);
  EXPECT_EQ(100, view.column_of(44100));
  EXPECT_EQ(44100, view.frame_of(100));
  EXPECT_EQ(0, view.column_of(0));
  EXPECT_EQ(-1, view.column_of(-441));
  EXPECT_EQ(200, view.column_of(88200));  // the right edge itself
  EXPECT_EQ(200, view.column_of(1000000));
  // Narrow windows scale as if eight columns wide.
  WaveView narrow;
  narrow.width = 5;
  apply_view_request(narrow, 0, 800, true);
  EXPECT_EQ(4, narrow.column_of(400));
  EXPECT_EQ(5, narrow.column_of(700));
  WaveView none;
  EXPECT_EQ(-1, none.column_of(0));
}

TEST(WaveView, MovesScrollByWholeColumnsAndExposeOnlyTheNewOnes) {
  WaveView view;
  view.width = 200;
  apply_view_request(view, 0, 88200, true);
  std::vector<uint8_t> columns(kWaveColumns);
  for (int i = 0; i < 200; ++i) columns[i] = static_cast<uint8_t>(i);
  // Three columns to the left.
  ViewChange change = apply_view_request(view, 1323, 88200, true);
  EXPECT_FALSE(change.rescaled);
  EXPECT_EQ(-3, change.shift);
  EXPECT_EQ(196, change.lo);
  EXPECT_EQ(200, change.hi);
  shift_columns(columns.data(), 200, change);
  EXPECT_EQ(3, columns[0]);
  EXPECT_EQ(198, columns[195]);
  EXPECT_EQ(196, columns[196]);  // dirty: computed afresh
  EXPECT_EQ(44100 + 1323, view.frame_of(100));
  // Back to the start: the picture moves right by three.
  change = apply_view_request(view, 0, 88200, true);
  EXPECT_EQ(3, change.shift);
  EXPECT_EQ(0, change.lo);
  EXPECT_EQ(4, change.hi);
  shift_columns(columns.data(), 200, change);
  EXPECT_EQ(6, columns[6]);  // back where it was
  EXPECT_EQ(4, columns[4]);
  EXPECT_EQ(196, columns[199]);
  // Further than the width: everything again, nothing to scroll.
  change = apply_view_request(view, 441000, 88200, true);
  EXPECT_EQ(0, change.shift);
  EXPECT_EQ(0, change.lo);
  EXPECT_EQ(200, change.hi);
  // Without a window nothing is dirty.
  change = apply_view_request(view, 441441, 88200, false);
  EXPECT_EQ(change.lo, change.hi);
}

TEST(WaveView, ColumnValuesSaturateAtAboutHalfScale) {
  EXPECT_EQ(0, column_value(0));
  EXPECT_EQ(0, column_value(1023));
  EXPECT_EQ(1, column_value(1024));
  EXPECT_EQ(195, column_value(200000));
  EXPECT_EQ(254, column_value(261119));
  EXPECT_EQ(255, column_value(261121));
  EXPECT_EQ(255, column_value(kFullScale));
}

}  // namespace
}  // namespace vt
