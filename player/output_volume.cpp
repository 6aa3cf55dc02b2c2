#include "player/output_volume.h"

#include <vector>

#include "capture/mixer_constants.h"

namespace vt {

uint16_t mixer_volume_of_sum(int step, int offset) {
  int sum = step + offset;
  if (sum >= 128) return 65535;
  if (sum < -127) return 0;
  return mixer_volume(sum);
}

namespace {

bool set_output_line(MixerDevice& mixer, uint32_t component_type, uint16_t volume, bool switch_on) {
  MixerLine line;
  std::vector<MixerControl> controls;
  if (!mixer.find_line(component_type, &line) || !mixer.line_controls(line, &controls)) return false;
  for (const MixerControl& control : controls) {
    if (control.type == kMixerVolumeControl || control.type == kMixerFaderControl)
      mixer.set_uniform_value(control, volume);
    else if (control.type == kMixerMuteControl)
      mixer.set_uniform_value(control, 0);
    else if (switch_on && control.type == kMixerOnOffControl)
      mixer.set_uniform_value(control, 1);
  }
  return true;
}

}  // namespace

void apply_output_mixer(MixerDevice& mixer, int step, int offset) {
  if (!set_output_line(mixer, kMixerSpeakersDestination, mixer_volume(step), false)) return;
  set_output_line(mixer, kMixerWaveOutSource, mixer_volume_of_sum(step, offset), true);
}

}  // namespace vt
