// The volume mapping shared by the input mixer and the playback volume: a decibel step
// of the slider to the mixer's 0..65,535 range.
#pragma once
#include <cstdint>

namespace vt {

// Below -35: 0; otherwise 51,264 + 1,424 x step, at most 65,535.
uint16_t mixer_volume_of_step(int step);
// The wave-out line's volume: step + offset, where a sum of 128 or more is full volume
// and a sum below -127 is silence.
uint16_t mixer_volume_of_sum(int step, int offset);

}  // namespace vt
