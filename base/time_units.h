// Frames, milliseconds and the time text, in integers so long recordings stay exact.
#pragma once
#include <cstdint>
#include <string>

namespace vt {

// ms = (frames / r) * 1000 + (frames % r) * 1000 / r, in 64 bits: at low rates a 32-bit
// frame count stands for more milliseconds than 32 bits hold. 0 for a rate below 1.
int64_t frames_to_ms(int64_t frames, int32_t rate);
// The same held to the 32-bit range, for positions shown and reported.
int32_t frames_to_ms32(int64_t frames, int32_t rate);
// frames = r * (ms / 1000) + r * (ms % 1000) / 1000, held to the 32-bit range.
int32_t ms_to_frames(int32_t ms, int32_t rate);
// "h:mm:ss.hh" of (ms + 5), rounded to hundredths; negative times get a leading '-'.
std::string time_text(int32_t ms);

}  // namespace vt
