// The playback volume on the system mixer: the speakers destination and its wave-out
// source line of the output device's mixer, at the slider's decibel step.
#pragma once
#include <cstdint>

#include "capture/mixer.h"

namespace vt {

// The wave-out line's volume: step + offset, where a sum of 128 or more is full volume
// and a sum below -127 is silence (mixer_volume below that).
uint16_t mixer_volume_of_sum(int step, int offset);

// Speakers line: volume controls at `step`, mutes off. Wave-out line: volume controls
// at step + offset, mutes off, on/off switches on. A missing line ends the work quietly.
void apply_output_mixer(MixerDevice& mixer, int step, int offset);

}  // namespace vt
