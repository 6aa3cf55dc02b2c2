#include "player/output_mixer_win.h"

#include <windows.h>
#include <mmsystem.h>

#include <vector>

#include "player/output_volume.h"

namespace vt {

namespace {

const DWORD kVolumeControl = 0x50030001, kFaderControl = 0x50030000;
const DWORD kMuteControl = 0x20010002, kOnOffControl = 0x20010001;
const DWORD kSpeakersDestination = 4;
const DWORD kWaveOutSourceLine = 0x1008;

// The mixer belonging to a wave-output device, closed with the object.
class OutputMixer {
 public:
  explicit OutputMixer(int device) {
    if (mixerOpen(&mixer_, static_cast<UINT>(device), 0, 0, MIXER_OBJECTF_WAVEOUT) != MMSYSERR_NOERROR)
      mixer_ = nullptr;
  }
  ~OutputMixer() {
    if (mixer_) mixerClose(mixer_);
  }
  OutputMixer(const OutputMixer&) = delete;
  OutputMixer& operator=(const OutputMixer&) = delete;
  bool ok() const { return mixer_ != nullptr; }

  bool find_line(DWORD component, MIXERLINEA& line) {
    line = MIXERLINEA{};
    line.cbStruct = sizeof line;
    line.dwComponentType = component;
    return mixerGetLineInfoA(handle(), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) ==
           MMSYSERR_NOERROR;
  }

  // Sets the line's volume controls to `volume`, its mutes to 0 and, when asked, its
  // on/off switches to 1.
  void set_line(const MIXERLINEA& line, uint16_t volume, bool switch_on) {
    if (line.cControls == 0) return;
    std::vector<MIXERCONTROLA> controls(line.cControls);
    MIXERLINECONTROLSA query = {};
    query.cbStruct = sizeof query;
    query.dwLineID = line.dwLineID;
    query.cControls = line.cControls;
    query.cbmxctrl = sizeof(MIXERCONTROLA);
    query.pamxctrl = controls.data();
    if (mixerGetLineControlsA(handle(), &query, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL) != MMSYSERR_NOERROR)
      return;
    for (const MIXERCONTROLA& control : controls) {
      if (control.dwControlType == kVolumeControl || control.dwControlType == kFaderControl)
        set_value(control, volume);
      else if (control.dwControlType == kMuteControl)
        set_value(control, 0);
      else if (switch_on && control.dwControlType == kOnOffControl)
        set_value(control, 1);
    }
  }

 private:
  HMIXEROBJ handle() const { return reinterpret_cast<HMIXEROBJ>(mixer_); }

  // One uniform value for every channel.
  void set_value(const MIXERCONTROLA& control, DWORD value) {
    MIXERCONTROLDETAILS_UNSIGNED detail = {value};
    MIXERCONTROLDETAILS details = {};
    details.cbStruct = sizeof details;
    details.dwControlID = control.dwControlID;
    details.cChannels = 1;
    details.cbDetails = sizeof detail;
    details.paDetails = &detail;
    mixerSetControlDetails(handle(), &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE);
  }

  HMIXER mixer_ = nullptr;
};

}  // namespace

void apply_output_volume(int device, int step, int offset) {
  const uint16_t volume = mixer_volume_of_step(step);
  if (device < 0) {
    waveOutSetVolume(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(WAVE_MAPPER)),
                     static_cast<DWORD>(volume) | (static_cast<DWORD>(volume) << 16));
    return;
  }
  OutputMixer mixer(device);
  if (!mixer.ok()) return;
  MIXERLINEA speakers;
  if (!mixer.find_line(kSpeakersDestination, speakers)) return;
  mixer.set_line(speakers, volume, false);
  MIXERLINEA wave_out;
  if (!mixer.find_line(kWaveOutSourceLine, wave_out)) return;
  mixer.set_line(wave_out, mixer_volume_of_sum(step, offset), true);
}

std::string output_device_name(int setting) {
  if (setting <= 0) return "[Son Initial Sortant]";
  WAVEOUTCAPSA caps = {};
  if (waveOutGetDevCapsA(static_cast<UINT_PTR>(setting - 1), &caps, sizeof caps) != MMSYSERR_NOERROR) return "";
  return caps.szPname;
}

int output_device_count() { return static_cast<int>(waveOutGetNumDevs()); }

}  // namespace vt
