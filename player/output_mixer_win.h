// The output side of the system mixer: the playback volume of a wave-output device and
// the names the device list shows.
#pragma once
#include <string>

namespace vt {

// Sets the playback volume: for a negative device the wave mapper's volume on both
// channels; otherwise the speakers line (volume, unmuted) of the device's mixer, and its
// wave-out line at step + offset (volume, unmuted, switched on). Failures are quiet.
void apply_output_volume(int device, int step, int offset);
// Entry of the output device list: "[Son Initial Sortant]" for 0 or less, else the
// product name of output device setting - 1 (empty when the query fails).
std::string output_device_name(int setting);
int output_device_count();

}  // namespace vt
