// The wave player's work on one buffer, apart from any device: ring sizing, the
// conversion to 16-bit output, the level record and the scrub loop.
#pragma once
#include <cstdint>

#include "capture/recorder_listener.h"

namespace vt {

constexpr int kPlayerBuffers = 64;

// Frames in one tenth-of-a-second buffer at `rate`, within 20..8192.
int player_buffer_frames(int32_t rate);
// The scrub snippet: a quarter of a buffer, about 25 ms.
int scrub_snippet_frames(int frames_per_buffer);

// (s + 8) >> 4 for each of `count` samples; the input must already fit 16 bits.
void units_to_output16(const int32_t* in, int16_t* out, int count);
// One level per channel over `frames` frames (mean square of s >> 5, in dB).
void measure_levels(const int32_t* samples, int frames, int channels, LevelRecord& record);
// Repeats the first `snippet_frames` of `buffer` until `buffer_frames` are filled; the
// last copy is cut off at the end.
void repeat_snippet(int16_t* buffer, int snippet_frames, int buffer_frames, int channels);

}  // namespace vt
