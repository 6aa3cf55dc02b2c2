#include "gui/record_page_win.h"

#include "capture/input_mixer.h"
#include "capture/mixer_win.h"
#include "gui/options_page_win.h"
#include "gui/options_rules.h"
#include "win/settings_win.h"
#include "gui/record_page_res.h"
#include "recorder/recorder_rules.h"
#include "ui/db_slider_win.h"

namespace vt {

namespace {

// The device list stays empty past this many devices (beyond what the list can index).
constexpr int kMaxListedDevices = 126;
// Voice-activation threshold range, dB.
constexpr int kVoiceLevelMinimum = -40, kVoiceLevelMaximum = -6;

}  // namespace

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
  RegistrySection section(Hive::Machine, kSectionSettings);
  InputMixerSettings mixer = load_input_mixer_settings(section);
  fill_devices();
  SendDlgItemMessageA(page_, IDC_RECORD_DEVICE, CB_SETCURSEL, mixer.record_device, 0);
  fill_inputs(mixer.record_chan + 1);
  set_slider_value(page_, IDC_RECORD_VOLUME, mixer.record_volume);
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
  set_ticked(page_, IDC_RECORD_RESUME, read_setting(kResumeRecording));
  set_ticked(page_, IDC_RECORD_STAY_AWAKE, read_setting(kStayAwake));
  set_ticked(page_, IDC_RECORD_WARN_SILENCE, read_setting(kWarnSilence));
  SendDlgItemMessageA(page_, IDC_RECORD_SILENCE_SECS, EM_LIMITTEXT, 5, 0);
  SetDlgItemInt(page_, IDC_RECORD_SILENCE_SECS, static_cast<UINT>(silence_warning_ms(read_setting(kWarnSilenceSecs)) / 1000),
                FALSE);
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
    case IDC_RECORD_WARN_SILENCE:
      update_enabling();
      return true;
  }
  return false;
}

void RecordPage::fill_devices() { fill_input_device_list(GetDlgItem(page_, IDC_RECORD_DEVICE)); }

void RecordPage::fill_inputs(int select) {
  int device = mixer_device();
  std::vector<std::string> names;
  int sources = hooks_.input_source_count(device);
  for (int source = 0; source < sources && source < kMaxInputSources; ++source)
    names.push_back(hooks_.input_source_name(device, source));
  fill_input_line_list(GetDlgItem(page_, IDC_RECORD_INPUT), names, select);
}

void fill_input_device_list(HWND list) {
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  int count = input_device_count();
  if (count > kMaxListedDevices) return;
  for (int entry = 0; entry <= count; ++entry)
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(input_device_name(entry).c_str()));
}

// `select` past the end leaves nothing selected.
void fill_input_line_list(HWND list, const std::vector<std::string>& names, int select) {
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kWindowsMixerEntry));
  for (const std::string& name : names) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  SendMessageA(list, CB_SETCURSEL, select, 0);
}

int RecordPage::mixer_device() const {
  int entry = selection(IDC_RECORD_DEVICE);
  return input_device_for(entry > 0 ? entry : 0);
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
  EnableWindow(GetDlgItem(page_, IDC_RECORD_SILENCE_SECS), is_ticked(page_, IDC_RECORD_WARN_SILENCE));
}

bool RecordPage::apply() {
  int device = selection(IDC_RECORD_DEVICE);
  int input = selection(IDC_RECORD_INPUT);
  InputMixerSettings mixer;
  mixer.record_device = device > 0 ? device : 0;
  mixer.record_chan = input > 0 ? input - 1 : -1;
  mixer.record_volume = slider_value(GetDlgItem(page_, IDC_RECORD_VOLUME));
  RegistrySection section(Hive::Machine, kSectionSettings);
  save_input_mixer_settings(section, mixer);
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
  write_setting(kResumeRecording, is_ticked(page_, IDC_RECORD_RESUME));
  write_setting(kStayAwake, is_ticked(page_, IDC_RECORD_STAY_AWAKE));
  const bool warn_silence = is_ticked(page_, IDC_RECORD_WARN_SILENCE);
  write_setting(kWarnSilence, warn_silence);
  if (warn_silence) {
    BOOL read = FALSE;
    const UINT seconds = GetDlgItemInt(page_, IDC_RECORD_SILENCE_SECS, &read, FALSE);
    if (!read || seconds < 1 || seconds > 86400) {
      refuse_apply(page_, "Veuillez entrer une durée de silence comprise entre 1 et 86400 secondes.",
                   "Durée invalide");
      return false;
    }
    write_setting(kWarnSilenceSecs, static_cast<int>(seconds));
  }
  return true;
}

}  // namespace vt
