// The waveform view's arithmetic, apart from any window: the mapping between frames and
// pixel columns, how a request for a region changes it (rescale, or scroll by whole
// columns), and the value of one column.
#pragma once
#include <cstdint>

namespace vt {

constexpr int kWaveColumns = 2048;

struct WaveView {
  int32_t start = 0;         // first frame of the region shown
  int32_t length = 0;        // frames the width stands for; 0: no view
  int32_t pixel_offset = 0;  // trunc(start x pixels per frame)
  double pixels_per_frame = 1.0;
  int32_t width = 1;         // columns, 1..2048

  // -1 without a view or left of it; at most the width.
  int column_of(int64_t frame) const;
  int32_t frame_of(int column) const;
};

// What a request did to the view: the columns to compute (lo..hi-1) and, when the
// picture moved by whole columns, the shift to apply to pixels and column values
// (negative: to the left).
struct ViewChange {
  int lo = 0;
  int hi = 0;
  int shift = 0;
  bool rescaled = false;  // a new scale, not a move
};

// Applies a request for `count` frames from `start`. `have_window`: without a window
// nothing can scroll and a move leaves no dirty columns.
ViewChange apply_view_request(WaveView& view, int32_t start, int32_t count, bool have_window);
// Moves the column values by a change's shift, as its pixels are scrolled.
void shift_columns(uint8_t* columns, int width, const ViewChange& change);
// A column's height 0..255 from its largest sample magnitude (255 from about half scale).
uint8_t column_value(int32_t magnitude);

}  // namespace vt
