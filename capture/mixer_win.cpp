#include "capture/mixer_win.h"

#include <windows.h>
#include <mmsystem.h>

#include "win/handles_win.h"

namespace vt {

namespace {

const char kDefaultInputEntry[] = "[Son Initial Entrant]";
// Wave-mapper message that returns the preferred device (DRVM_MAPPER_PREFERRED_GET).
constexpr UINT kPreferredDeviceQuery = 0x2015;

void copy_line(const MIXERLINEA& from, MixerLine* to) {
  to->line_id = from.dwLineID;
  to->destination = from.dwDestination;
  to->component_type = from.dwComponentType;
  to->source_count = from.cConnections;
  char name[MIXER_LONG_NAME_CHARS + 1] = {};
  lstrcpynA(name, from.szName, sizeof name);
  to->name = name;
}

class WinmmMixer : public MixerDevice {
 public:
  explicit WinmmMixer(HMIXER mixer) : mixer_(mixer) {}
  ~WinmmMixer() override { mixerClose(mixer_); }
  WinmmMixer(const WinmmMixer&) = delete;
  WinmmMixer& operator=(const WinmmMixer&) = delete;

  bool find_line(uint32_t component_type, MixerLine* line) override {
    MIXERLINEA info = {};
    info.cbStruct = sizeof info;
    info.dwComponentType = component_type;
    if (mixerGetLineInfoA(object(), &info, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
      return false;
    copy_line(info, line);
    return true;
  }

  bool source_line(const MixerLine& destination, uint32_t index, MixerLine* line) override {
    MIXERLINEA info = {};
    info.cbStruct = sizeof info;
    info.dwDestination = destination.destination;
    info.dwSource = index;
    if (mixerGetLineInfoA(object(), &info, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE) != MMSYSERR_NOERROR)
      return false;
    copy_line(info, line);
    return true;
  }

  bool line_controls(const MixerLine& line, std::vector<MixerControl>* controls) override {
    controls->clear();
    MIXERLINEA info = {};
    info.cbStruct = sizeof info;
    info.dwLineID = line.line_id;
    if (mixerGetLineInfoA(object(), &info, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_LINEID) != MMSYSERR_NOERROR)
      return false;
    if (info.cControls == 0) return true;
    std::vector<MIXERCONTROLA> found(info.cControls);
    MIXERLINECONTROLSA request = {};
    request.cbStruct = sizeof request;
    request.dwLineID = line.line_id;
    request.cControls = info.cControls;
    request.cbmxctrl = sizeof(MIXERCONTROLA);
    request.pamxctrl = found.data();
    if (mixerGetLineControlsA(object(), &request, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL) != MMSYSERR_NOERROR)
      return false;
    for (const MIXERCONTROLA& control : found) {
      MixerControl entry;
      entry.control_id = control.dwControlID;
      entry.type = control.dwControlType;
      entry.item_count = (control.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? control.cMultipleItems : 0;
      controls->push_back(entry);
    }
    return true;
  }

  bool list_item_lines(const MixerControl& control, std::vector<uint32_t>* line_ids) override {
    line_ids->clear();
    if (control.item_count == 0) return true;
    std::vector<MIXERCONTROLDETAILS_LISTTEXTA> items(control.item_count);
    MIXERCONTROLDETAILS details = request(control, items.data(), sizeof items[0]);
    if (mixerGetControlDetailsA(object(), &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_LISTTEXT) !=
        MMSYSERR_NOERROR)
      return false;
    for (const MIXERCONTROLDETAILS_LISTTEXTA& item : items) line_ids->push_back(item.dwParam1);
    return true;
  }

  bool set_uniform_value(const MixerControl& control, uint32_t value) override {
    MIXERCONTROLDETAILS_UNSIGNED detail = {value};
    MIXERCONTROLDETAILS details = request(control, &detail, sizeof detail);
    details.cMultipleItems = 0;
    return mixerSetControlDetails(object(), &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
  }

  bool set_item_values(const MixerControl& control, const std::vector<uint32_t>& values) override {
    if (values.size() != control.item_count || values.empty()) return false;
    std::vector<MIXERCONTROLDETAILS_BOOLEAN> items(values.size());
    for (size_t item = 0; item < values.size(); ++item) items[item].fValue = static_cast<LONG>(values[item]);
    MIXERCONTROLDETAILS details = request(control, items.data(), sizeof items[0]);
    return mixerSetControlDetails(object(), &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
  }

 private:
  HMIXEROBJ object() const { return reinterpret_cast<HMIXEROBJ>(mixer_); }

  // One channel: the value is the same for all of them.
  static MIXERCONTROLDETAILS request(const MixerControl& control, void* values, DWORD value_size) {
    MIXERCONTROLDETAILS details = {};
    details.cbStruct = sizeof details;
    details.dwControlID = control.control_id;
    details.cChannels = 1;
    details.cMultipleItems = control.item_count;
    details.cbDetails = value_size;
    details.paDetails = values;
    return details;
  }

  HMIXER mixer_;
};

std::unique_ptr<MixerDevice> open_mixer(int device, DWORD device_kind) {
  if (device < 0) return nullptr;
  UINT mixer_id = 0;
  if (mixerGetID(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(device)), &mixer_id, device_kind) !=
      MMSYSERR_NOERROR)
    return nullptr;
  HMIXER mixer = nullptr;
  if (mixerOpen(&mixer, mixer_id, 0, 0, MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR) return nullptr;
  return std::unique_ptr<MixerDevice>(new WinmmMixer(mixer));
}

WinmmMixers& system_mixers() {
  static WinmmMixers mixers;
  return mixers;
}

}  // namespace

std::unique_ptr<MixerDevice> WinmmMixers::open_for_wave_in(int device) { return open_mixer(device, MIXER_OBJECTF_WAVEIN); }

std::unique_ptr<MixerDevice> WinmmMixers::open_for_wave_out(int device) {
  return open_mixer(device, MIXER_OBJECTF_WAVEOUT);
}

int input_device_for(int record_device) {
  if (record_device > 0) return record_device - 1;
  DWORD device = 0, flags = 0;
  MMRESULT result = waveInMessage(reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(WAVE_MAPPER)), kPreferredDeviceQuery,
                                  reinterpret_cast<DWORD_PTR>(&device), reinterpret_cast<DWORD_PTR>(&flags));
  if (result != MMSYSERR_NOERROR || static_cast<int>(device) < 0) return 0;
  return static_cast<int>(device);
}

std::string input_device_name(int record_device) {
  if (record_device <= 0) return kDefaultInputEntry;
  WAVEINCAPSA caps = {};
  if (waveInGetDevCapsA(static_cast<UINT_PTR>(record_device - 1), &caps, sizeof caps) != MMSYSERR_NOERROR)
    return std::string();
  caps.szPname[sizeof caps.szPname - 1] = '\0';
  return caps.szPname;
}

void start_mixer_program(const char* command_line) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process = {};
  std::string line = command_line;
  if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    OwnedHandle thread(process.hThread), owned_process(process.hProcess);
  }
}

const char* recording_mixer_command_for_system() {
  DWORD major = LOBYTE(LOWORD(GetVersion()));
  return major > 5 ? "control.exe mmsys.cpl" : "sndvol32.exe /rec";
}

int input_device_count() { return static_cast<int>(waveInGetNumDevs()); }

int input_source_count(int device) { return input_source_count(system_mixers(), device); }

std::string input_source_name(int device, int source) { return input_source_name(system_mixers(), device, source); }

void apply_input_mixer(int device, int source, int volume_step) {
  apply_input_mixer(system_mixers(), device, source, volume_step);
}

}  // namespace vt
