// The system's mixers through the Windows multimedia mixer, and the recording line
// functions of input_mixer.h on them.
#pragma once
#include <string>

#include "capture/input_mixer.h"
#include "capture/mixer.h"

namespace vt {

class WinmmMixers : public MixerSystem {
 public:
  std::unique_ptr<MixerDevice> open_for_wave_in(int device) override;
  std::unique_ptr<MixerDevice> open_for_wave_out(int device) override;
};

// The wave-input device whose mixer and capture serve the device setting
// `record_device`: device `record_device` − 1, or for 0 (or less) the system's
// preferred input (device 0 when the system cannot tell).
int input_device_for(int record_device);

// The device list's text for a device setting: "[Son Initial Entrant]" for 0 or less,
// else the product name of input device setting − 1 (empty when the query fails).
std::string input_device_name(int record_device);
// Input devices the system reports.
int input_device_count();

// The system's mixer program, shown normally: "sndvol32.exe /rec" (the recording
// page), or by system version for the wizard ("control.exe mmsys.cpl" above major
// version 5).
void start_mixer_program(const char* command_line);
const char* recording_mixer_command_for_system();

// input_mixer.h on the system's mixers; `device` is an index of the system's devices.
int input_source_count(int device);
std::string input_source_name(int device, int source);
void apply_input_mixer(int device, int source, int volume_step);

}  // namespace vt
