#include "ui/wave_peaks.h"

#include <cmath>
#include <cstdlib>

namespace vt {

int WaveView::column_of(int64_t frame) const {
  if (length == 0) return -1;
  double x = std::trunc(static_cast<double>(frame) * pixels_per_frame) - pixel_offset;
  if (x < 0) return -1;
  return x < width ? static_cast<int>(x) : width;
}

int32_t WaveView::frame_of(int column) const {
  return static_cast<int32_t>(std::trunc((static_cast<double>(column) + pixel_offset) / pixels_per_frame));
}

ViewChange apply_view_request(WaveView& view, int32_t start, int32_t count, bool have_window) {
  ViewChange change;
  if (count != view.length) {
    // A new scale: everything is drawn afresh. Narrow windows scale as 8 columns.
    view.start = start;
    view.length = count;
    if (count > 0) {
      view.pixels_per_frame = (view.width > 8 ? view.width : 8) / static_cast<double>(count);
      view.pixel_offset = static_cast<int32_t>(std::trunc(view.pixels_per_frame * start));
    }
    change.hi = view.width;
    change.rescaled = true;
    return change;
  }
  const int x = view.column_of(start);
  const int32_t old_start = view.start;
  view.start = start;
  view.pixel_offset = static_cast<int32_t>(std::trunc(start * view.pixels_per_frame));
  const int s = x > 0 ? -x : view.column_of(old_start);
  if (s == 0 || !have_window) return change;
  if (std::abs(s) < view.width) {
    change.shift = s;
    if (s < 0) {
      change.lo = view.width + s - 1 > 0 ? view.width + s - 1 : 0;
      change.hi = view.width;
    } else {
      change.lo = 0;
      change.hi = s + 1 < view.width ? s + 1 : view.width;
    }
  } else {
    change.hi = view.width;
  }
  return change;
}

void shift_columns(uint8_t* columns, int width, const ViewChange& change) {
  const int s = change.shift;
  if (s < 0) {
    for (int i = 0; i <= width + s - 2; ++i) columns[i] = columns[i - s];
  } else if (s > 0) {
    for (int i = width - 1; i >= change.hi; --i) columns[i] = columns[i - s];
  }
}

uint8_t column_value(int32_t magnitude) {
  if (magnitude >= 261121) return 255;
  return static_cast<uint8_t>(magnitude >> 10);
}

}  // namespace vt
