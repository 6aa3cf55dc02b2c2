#include "gui/record_page_win.h"

#include <mmsystem.h>

#include "gui/options_page_win.h"
#include "gui/options_rules.h"
#include "win/settings_win.h"
#include "gui/record_page_res.h"
#include "ui/db_slider_win.h"

namespace vt {

namespace {

const char kDefaultInputEntry[] = "[Son Initial Entrant]";
const char kWindowsMixerEntry[] = "Mixeur d’Enregistrement Windows";
// The device list stays empty past this many devices (beyond what the list can index).
constexpr UINT kMaxListedDevices = 126;
// Voice-activation threshold range, dB.
constexpr int kVoiceLevelMinimum = -40, kVoiceLevelMaximum = -6;
// Wave-mapper message that returns the preferred device (DRVM_MAPPER_PREFERRED_GET).
constexpr UINT kPreferredDeviceQuery = 0x2015;

}  // namespace

int mixer_device_for(int record_device) {
  if (record_device > 0) return record_device - 1;
  DWORD device = 0, flags = 0;
  MMRESULT result = waveInMessage(reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(WAVE_MAPPER)),
                                  kPreferredDeviceQuery, reinterpret_cast<DWORD_PTR>(&device),
                                  reinterpret_cast<DWORD_PTR>(&flags));
  if (result != MMSYSERR_NOERROR || static_cast<int>(device) < 0) return 0;
  return static_cast<int>(device);
}

PROPSHEETPAGEA RecordPage::sheet_page() {
  register_db_slider(GetModuleHandleA(nullptr));
  return make_sheet_page(IDD_RECORD_PAGE);
}

INT_PTR RecordPage::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      on_init();
      return TRUE;
    case WM_COMMAND:
      return on_command(LOWORD(wparam), HIWORD(wparam));
  }
  return FALSE;
}

void RecordPage::on_init() {
  fill_devices();
  int device = read_setting(kRecordDevice);
  SendDlgItemMessageA(page_, IDC_RECORD_DEVICE, CB_SETCURSEL, device, 0);
  fill_inputs(read_setting(kRecordChan) + 1);
  set_slider_value(page_, IDC_RECORD_VOLUME, read_setting(kRecordVolume));
  show_volume_or_mixer();

  set_ticked(page_, IDC_RECORD_VOICE, read_setting(kVoiceActivate));
  set_slider_range(GetDlgItem(page_, IDC_RECORD_VOICE_LEVEL), kVoiceLevelMinimum, kVoiceLevelMaximum);
  set_slider_value(page_, IDC_RECORD_VOICE_LEVEL, read_setting(kVoiceActivateLevel));

  set_ticked(page_, IDC_RECORD_LIMIT, read_setting(kCheckMaxTime));
  SendDlgItemMessageA(page_, IDC_RECORD_MAX_TIME, EM_LIMITTEXT, 259, 0);
  SetDlgItemTextA(page_, IDC_RECORD_MAX_TIME, read_setting(kMaxTime).c_str());
  bool stop_at_max = read_setting(kStopReachMaxTime);
  CheckRadioButton(page_, IDC_RECORD_STOP_AT_MAX, IDC_RECORD_CONTINUE_AT_MAX,
                   stop_at_max ? IDC_RECORD_STOP_AT_MAX : IDC_RECORD_CONTINUE_AT_MAX);
  set_ticked(page_, IDC_RECORD_OPEN_LIST, read_setting(kLaunchPlayWhenStop));
  update_enabling();
}

bool RecordPage::on_command(int id, int notification) {
  switch (id) {
    case IDC_RECORD_DEVICE:
      if (notification != CBN_SELCHANGE) return false;
      fill_inputs(0);
      show_volume_or_mixer();
      return true;
    case IDC_RECORD_INPUT:
      if (notification != CBN_SELCHANGE) return false;
      show_volume_or_mixer();
      return true;
    case IDC_RECORD_MIXER:
      hooks_.open_recording_mixer(page_);
      return true;
    case IDC_RECORD_VOICE:
    case IDC_RECORD_LIMIT:
      update_enabling();
      return true;
  }
  return false;
}

void RecordPage::fill_devices() {
  HWND list = GetDlgItem(page_, IDC_RECORD_DEVICE);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  UINT count = waveInGetNumDevs();
  if (count > kMaxListedDevices) return;
  SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kDefaultInputEntry));
  for (UINT device = 0; device < count; ++device) {
    WAVEINCAPSA caps = {};
    if (waveInGetDevCapsA(device, &caps, sizeof caps) != MMSYSERR_NOERROR) caps.szPname[0] = '\0';
    caps.szPname[sizeof caps.szPname - 1] = '\0';
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caps.szPname));
  }
}

// The mixer's source lines of the chosen device, after the entry that leaves the
// mixer alone; `select` past the end leaves nothing selected.
void RecordPage::fill_inputs(int select) {
  HWND list = GetDlgItem(page_, IDC_RECORD_INPUT);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kWindowsMixerEntry));
  int device = mixer_device();
  int sources = hooks_.input_source_count(device);
  if (sources > 127) sources = 127;
  for (int source = 0; source < sources; ++source) {
    std::string name = hooks_.input_source_name(device, source);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  SendMessageA(list, CB_SETCURSEL, select, 0);
}

int RecordPage::mixer_device() const {
  int entry = selection(IDC_RECORD_DEVICE);
  return mixer_device_for(entry > 0 ? entry : 0);
}

int RecordPage::selection(int id) const {
  return static_cast<int>(SendDlgItemMessageA(page_, id, CB_GETCURSEL, 0, 0));
}

// The volume applies to an actual line; with the Windows mixer entry the user sets
// the volume in the system's mixer instead.
void RecordPage::show_volume_or_mixer() {
  bool line_chosen = selection(IDC_RECORD_INPUT) > 0;
  ShowWindow(GetDlgItem(page_, IDC_RECORD_VOLUME_LABEL), line_chosen ? SW_SHOW : SW_HIDE);
  ShowWindow(GetDlgItem(page_, IDC_RECORD_VOLUME), line_chosen ? SW_SHOW : SW_HIDE);
  ShowWindow(GetDlgItem(page_, IDC_RECORD_MIXER), line_chosen ? SW_HIDE : SW_SHOW);
}

void RecordPage::update_enabling() {
  EnableWindow(GetDlgItem(page_, IDC_RECORD_VOICE_LEVEL), is_ticked(page_, IDC_RECORD_VOICE));
  static const int kLimitControls[] = {IDC_RECORD_MAX_TIME, IDC_RECORD_STOP_AT_MAX, IDC_RECORD_CONTINUE_AT_MAX};
  enable_items(page_, kLimitControls, 3, is_ticked(page_, IDC_RECORD_LIMIT));
}

bool RecordPage::apply() {
  int device = selection(IDC_RECORD_DEVICE);
  int input = selection(IDC_RECORD_INPUT);
  write_setting(kRecordDevice, device > 0 ? device : 0);
  write_setting(kRecordChan, input > 0 ? input - 1 : -1);
  write_setting(kRecordVolume, slider_value(GetDlgItem(page_, IDC_RECORD_VOLUME)));
  write_setting(kVoiceActivate, is_ticked(page_, IDC_RECORD_VOICE));
  write_setting(kVoiceActivateLevel, slider_value(GetDlgItem(page_, IDC_RECORD_VOICE_LEVEL)));
  bool limited = is_ticked(page_, IDC_RECORD_LIMIT);
  write_setting(kCheckMaxTime, limited);
  std::string max_time = dialog_item_text(page_, IDC_RECORD_MAX_TIME);
  if (limited) {
    switch (check_max_duration(max_time.c_str())) {
      case MaxDurationCheck::kInvalid:
        refuse_apply(page_, "Veuillez entrer une durée maximale d'enregistrement valide.", "Durée invalide");
        return false;
      case MaxDurationCheck::kOutOfRange:
        refuse_apply(page_, "La durée maximale d'enregistrement doit être comprise entre 1 et 7200 secondes.",
                     "Durée invalide");
        return false;
      case MaxDurationCheck::kAccepted:
        break;
    }
  }
  write_setting(kStopReachMaxTime, is_ticked(page_, IDC_RECORD_STOP_AT_MAX));
  write_setting(kMaxTime, max_time.c_str());
  write_setting(kLaunchPlayWhenStop, is_ticked(page_, IDC_RECORD_OPEN_LIST));
  return true;
}

}  // namespace vt
