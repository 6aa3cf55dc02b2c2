// Frames, milliseconds and the time text, in integers so long recordings stay exact.
#pragma once
#include <cstdint>
#include <string>

namespace vt {

// ms = (frames / r) * 1000 + (frames % r) * 1000 / r
int32_t frames_to_ms(int32_t frames, int32_t rate);
// frames = r * (ms / 1000) + r * (ms % 1000) / 1000
int32_t ms_to_frames(int32_t ms, int32_t rate);
// "h:mm:ss.hh" of (ms + 5), rounded to hundredths; negative times get a leading '-'.
std::string time_text(int32_t ms);

}  // namespace vt
