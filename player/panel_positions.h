// The player panel's position arithmetic, in 64-bit intermediates: recordings of
// several hours are normal, and length x thumb or 100 x position overflow 32 bits
// past about six hours.
#pragma once
#include <cstdint>

namespace vt {

// Scroll-bar position 0..100 of a position; 0 when the length is not positive.
int scroll_percent(int32_t position_ms, int32_t length_ms);
// The position a thumb at `percent` stands for.
int32_t ms_at_percent(int32_t length_ms, int percent);
// Where "play the end" starts: three seconds before the end, or the start.
int32_t play_end_start_ms(int32_t length_ms);
// Where the End button goes while playing: a second and a half before the end.
int32_t end_button_ms(int32_t length_ms);
// Scroll bar steps: two seconds either way, never below 0.
int32_t step_back_ms(int32_t position_ms);
int32_t step_forward_ms(int32_t position_ms);

// Cueing while a transport button is held: the tempo filter's start and end speeds.
struct CueSpeeds {
  double start;
  double end;
};
CueSpeeds cue_speeds(bool forward, bool from_scrub);
constexpr int32_t kCueGlideMs = 8000;

}  // namespace vt
