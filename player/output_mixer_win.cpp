#include "player/output_mixer_win.h"

#include <windows.h>
#include <mmsystem.h>

#include "capture/mixer_win.h"
#include "player/output_volume.h"

namespace vt {

void apply_output_volume(int device, int step, int offset) {
  if (device < 0) {
    const uint16_t volume = mixer_volume(step);
    waveOutSetVolume(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(WAVE_MAPPER)),
                     static_cast<DWORD>(volume) | (static_cast<DWORD>(volume) << 16));
    return;
  }
  std::unique_ptr<MixerDevice> mixer = WinmmMixers().open_for_wave_out(device);
  if (mixer) apply_output_mixer(*mixer, step, offset);
}

std::string output_device_name(int setting) {
  if (setting <= 0) return "[Son Initial Sortant]";
  WAVEOUTCAPSA caps = {};
  if (waveOutGetDevCapsA(static_cast<UINT_PTR>(setting - 1), &caps, sizeof caps) != MMSYSERR_NOERROR) return "";
  return caps.szPname;
}

int output_device_count() { return static_cast<int>(waveOutGetNumDevs()); }

}  // namespace vt
