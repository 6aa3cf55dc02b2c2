#include "player/panel_positions.h"

namespace vt {

int scroll_percent(int32_t position_ms, int32_t length_ms) {
  if (length_ms <= 0) return 0;
  return static_cast<int>(100 * static_cast<int64_t>(position_ms) / length_ms);
}

int32_t ms_at_percent(int32_t length_ms, int percent) {
  return static_cast<int32_t>(static_cast<int64_t>(length_ms) * percent / 100);
}

int32_t play_end_start_ms(int32_t length_ms) { return length_ms > 3000 ? length_ms - 3000 : 0; }

int32_t end_button_ms(int32_t length_ms) { return length_ms > 1500 ? length_ms - 1500 : 0; }

int32_t step_back_ms(int32_t position_ms) { return position_ms < 2000 ? 0 : position_ms - 2000; }

int32_t step_forward_ms(int32_t position_ms) {
  return position_ms > INT32_MAX - 2000 ? INT32_MAX : position_ms + 2000;
}

CueSpeeds cue_speeds(bool forward, bool from_scrub) {
  // Backwards faster than six times overruns the tempo filter's window buffer; the
  // rewind glide stops there.
  const double kFastestBackwards = -6.0;
  if (forward) return from_scrub ? CueSpeeds{0.1, 3.0} : CueSpeeds{1.5, 7.0};
  CueSpeeds speeds = from_scrub ? CueSpeeds{-0.1, -3.0} : CueSpeeds{-0.5, -7.0};
  if (speeds.end < kFastestBackwards) speeds.end = kFastestBackwards;
  return speeds;
}

}  // namespace vt
