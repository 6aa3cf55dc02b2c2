#include "ui/meter_geometry.h"

#include <algorithm>
#include <cstdio>

namespace vt {

int clamp_meter_level(int level) { return std::clamp(level, kMeterMinDb, kMeterMaxDb); }

// 48 dB over the width less the edge column: 0 dB falls at three quarters.
int meter_x(int level, int width) { return (level - kMeterMinDb) * (width - 1) / (kMeterMaxDb - kMeterMinDb); }

RowSpan channel_rows(int index, int count, int height) {
  if (count <= 0) return {0, 0};
  return {index * (height - 1) / count, (index + 1) * (height - 1) / count};
}

// A range or track of zero width divides by 1 so a degenerate slider still draws.
static int at_least_one(int divisor) { return divisor == 0 ? 1 : divisor; }

int SliderLayout::position(int value) const {
  return track_left + (value - minimum) * track_width() / at_least_one(maximum - minimum);
}

int SliderLayout::thumb_left(int value) const {
  int left = position(value) - thumb_width / 2;
  left = std::min(left, track_right - thumb_width);
  return std::max(left, track_left);
}

int SliderLayout::value_at(int x) const {
  int offset = std::min(std::max(x - track_left, 0), track_width());
  return minimum + offset * (maximum - minimum) / at_least_one(track_width());
}

SliderLayout slider_layout(int client_width, int client_height, int text_box_width, int minimum, int maximum,
                           int dpi) {
  SliderLayout layout;
  const int inset = 2 * dpi / 96;
  // One pixel of gap after the text box; a compact slider keeps one pixel of margin.
  layout.track_left = text_box_width + 1;
  layout.track_right = std::max(client_width - 1, layout.track_left);
  layout.track_top = inset;
  layout.track_bottom = std::max(client_height - inset, layout.track_top);
  layout.minimum = minimum;
  layout.maximum = maximum;
  layout.thumb_width = (kThumbWidth * dpi + 48) / 96;
  return layout;
}

ColumnSpan slider_repaint_span(const SliderLayout& layout, int old_value, int new_value) {
  int old_position = layout.position(old_value), new_position = layout.position(new_value);
  int left = std::min(old_position, new_position) - layout.thumb_width;
  int right = std::max(old_position, new_position) + layout.thumb_width + 1;
  return {std::max(left, 0), std::max(right, 0)};
}

int parse_db_text(const char* text) {
  int number = 0;
  bool negative = false;
  for (const char* c = text; *c; ++c) {
    if (*c >= '0' && *c <= '9') {
      // Long digit runs stop growing: anything this large ends up as 127 anyway.
      if (number < 100000) number = number * 10 + (*c - '0');
    } else if (*c == '-') {
      if (negative) number = 127;
      negative = true;
    }
  }
  if (negative) number = -number;
  return std::clamp(number, -127, 127);
}

void format_db_text(int value, char* out, int out_size) {
  if (value < -126)
    std::snprintf(out, out_size, "--dB");
  else
    std::snprintf(out, out_size, "%ddB", value);
}

}  // namespace vt
