// Geometry and text rules of the level meter and the decibel slider, free of the
// Windows API so they can be checked natively. Levels are whole decibels.
#pragma once

namespace vt {

// Meter range: −36 dB at the left edge, +12 dB (16-bit full scale) at the right.
constexpr int kMeterMinDb = -36;
constexpr int kMeterMaxDb = 12;
constexpr int kMeterMaxChannels = 8;
// Levels below this read as "off" (silence, or volume muted).
constexpr int kDbOff = -127;

int clamp_meter_level(int level);
// Column of level `level` (already clamped) in a meter `width` pixels wide.
int meter_x(int level, int width);

struct RowSpan {
  int top;     // first row
  int bottom;  // one past the last row
};
// Rows of channel `index` of `count` in a meter `height` pixels high; the last row
// stays free for the edge line.
RowSpan channel_rows(int index, int count, int height);

// The slider's track and thumb for one client size, text-box width and range.
struct SliderLayout {
  int track_left, track_right, track_top, track_bottom;  // right and bottom exclusive
  int minimum, maximum;
  int thumb_width;  // 12 pixels at 96 DPI

  int track_width() const { return track_right - track_left; }
  // Pixel position of `value` along the track.
  int position(int value) const;
  // Left edge of the thumb centred on `value`, kept inside the track.
  int thumb_left(int value) const;
  // Value under the pointer column `x` while dragging.
  int value_at(int x) const;
};
constexpr int kThumbWidth = 12;

// `text_box_width` is 0 for a slider without a text box; the thumb and the track's
// insets scale by `dpi`.
SliderLayout slider_layout(int client_width, int client_height, int text_box_width, int minimum, int maximum,
                           int dpi = 96);

// Columns to repaint when the value moves from `old_value` to `new_value`: the span
// between the two thumb positions widened by one thumb width on each side.
struct ColumnSpan {
  int left, right;  // right exclusive
};
ColumnSpan slider_repaint_span(const SliderLayout& layout, int old_value, int new_value);

// The number in a slider's text box as the user types it: digits accumulate, a '-'
// makes it negative and a further '-' means 127 before the remaining digits; the
// result lies in −127…+127. Other characters ("dB") are ignored.
int parse_db_text(const char* text);
// "%ddB", or "--dB" for a value below −126. `out` holds at least 8 characters.
void format_db_text(int value, char* out, int out_size);

}  // namespace vt
