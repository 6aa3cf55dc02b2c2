#include "gui/record_setting_wizard_win.h"

#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "audio/stream.h"
#include "capture/capture_engine_win.h"
#include "capture/input_mixer.h"
#include "capture/mixer_win.h"
#include "gui/record_page_win.h"
#include "gui/record_setting_wizard_res.h"
#include "setup/server_addresses.h"
#include "setup/setup_fetch_win.h"
#include "ui/controls_win.h"
#include "ui/db_slider_win.h"
#include "ui/hyperlink_win.h"
#include "ui/level_meter_win.h"
#include "ui/sheet_page_win.h"
#include "win/settings_win.h"

namespace vt {

namespace {

const char kWizardTemplate[] = "LRecordSettingDlg";
const char kWizardTitle[] = "Connexion micro et volume d'enregistrement";
const char kWizardSubtitle[] = "Mon micro marche t-il et le volume d'enregistrement est-il approprié?";
const char kTutorialsPage[] = "kb/10010";
const char kWizardRefused[] =
    "Un enregistrement est en cours. Arrêtez-le avant de lancer l'Assistant de Réglage Audio: le test du micro "
    "ouvrirait le même appareil et changerait le volume de l'enregistrement.";

// The test capture: mono at 11,025 Hz, every block let through, no time limit to speak of.
constexpr int32_t kTestRate = 11025;
constexpr int32_t kTestMaximumMs = 14400000;
constexpr int8_t kNoThreshold = -127;
constexpr int32_t kNoHangMs = 216000000;
// The property sheet's wizard buttons (the system's control ids).
constexpr int kWizardBackButton = 0x3023, kWizardNextButton = 0x3024, kWizardFinishButton = 0x3025;

class RecordSettingPage : public SheetPage, private RecorderListener {
 public:
  PROPSHEETPAGEA sheet_page() {
    PROPSHEETPAGEA page = make_sheet_page(0);
    page.pszTemplate = kWizardTemplate;
    page.dwFlags |= PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE;
    page.pszHeaderTitle = kWizardTitle;
    page.pszHeaderSubTitle = kWizardSubtitle;
    return page;
  }
  bool finished() const { return finished_; }

 private:
  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_INITDIALOG:
        on_init();
        return TRUE;
      case WM_COMMAND:
        on_command(LOWORD(wparam), HIWORD(wparam));
        return TRUE;
      case WM_NOTIFY:
        return on_notify(*reinterpret_cast<const NMHDR*>(lparam));
      case WM_DESTROY:
        stop_test();
        return FALSE;
    }
    return FALSE;
  }

  void on_init() {
    RegistrySection section(Hive::Machine, kSectionSettings);
    InputMixerSettings settings = load_input_mixer_settings(section);
    fill_input_device_list(item(IDC_WIZARD_DEVICE));
    SendMessageA(item(IDC_WIZARD_DEVICE), CB_SETCURSEL, settings.record_device, 0);
    std::vector<std::string> names = source_names();
    // Before the user ever chose a line, a microphone is the likely one.
    int entry = settings.record_chan_saved ? settings.record_chan + 1 : microphone_entry(names);
    fill_input_line_list(item(IDC_WIZARD_INPUT), names, entry);
    set_slider_value(page_, IDC_WIZARD_VOLUME, settings.record_volume);
    set_hyperlink_address(item(IDC_WIZARD_LINK), web_page_url(web_site(), kTutorialsPage).c_str());
    EnableWindow(item(IDC_WIZARD_METER), FALSE);
    show_volume_or_mixer();
  }

  void on_command(int id, int notification) {
    switch (id) {
      case IDC_WIZARD_DEVICE:
        if (notification != CBN_SELCHANGE) return;
        restart_test();
        refill_inputs();
        show_volume_or_mixer();
        break;
      case IDC_WIZARD_INPUT:
        if (notification != CBN_SELCHANGE) return;
        restart_test();
        show_volume_or_mixer();
        break;
      case IDC_WIZARD_VOLUME:
        if (notification == kDbSliderChanged) apply_mixer();
        break;
      case IDC_WIZARD_MIXER:
        start_mixer_program(recording_mixer_command_for_system());
        break;
    }
  }

  INT_PTR on_notify(const NMHDR& header) {
    switch (header.code) {
      case PSN_SETACTIVE:
        PropSheet_SetWizButtons(GetParent(page_), PSWIZB_FINISH);
        restart_test();
        SetWindowLongPtrA(page_, DWLP_MSGRESULT, 0);
        return TRUE;
      case PSN_KILLACTIVE:
      case PSN_RESET:
        stop_test();
        SetWindowLongPtrA(page_, DWLP_MSGRESULT, FALSE);
        return TRUE;
      case PSN_WIZFINISH:
        stop_test();
        save();
        finished_ = true;
        SetWindowLongPtrA(page_, DWLP_MSGRESULT, FALSE);
        return TRUE;
    }
    return FALSE;
  }

  HWND item(int id) const { return GetDlgItem(page_, id); }
  int selection(int id) const { return static_cast<int>(SendMessageA(item(id), CB_GETCURSEL, 0, 0)); }
  int device_setting() const { return selection(IDC_WIZARD_DEVICE) > 0 ? selection(IDC_WIZARD_DEVICE) : 0; }
  // The source line chosen, −1 for the Windows-mixer entry or none.
  int source() const { return selection(IDC_WIZARD_INPUT) > 0 ? selection(IDC_WIZARD_INPUT) - 1 : -1; }

  std::vector<std::string> source_names() const {
    int device = input_device_for(device_setting());
    std::vector<std::string> names;
    int count = input_source_count(device);
    for (int index = 0; index < count; ++index) names.push_back(input_source_name(device, index));
    return names;
  }

  // The same entry index on the new device's list; the first when none was chosen.
  void refill_inputs() {
    int entry = selection(IDC_WIZARD_INPUT);
    fill_input_line_list(item(IDC_WIZARD_INPUT), source_names(), entry < 0 ? 0 : entry);
  }

  void apply_mixer() {
    apply_input_mixer(input_device_for(device_setting()), source(), slider_value(item(IDC_WIZARD_VOLUME)));
  }

  void restart_test() {
    stop_test();
    apply_mixer();
    engine_.device = static_cast<uint8_t>(device_setting());
    engine_.set_listener(this, 0);
    engine_.set_sink(SinkRef(new CountingSink(kTestRate, 1)));
    bool started = engine_.start(kTestMaximumMs, kNoThreshold, kNoHangMs);
    EnableWindow(item(IDC_WIZARD_METER), started);
    if (!started) set_levels(item(IDC_WIZARD_METER), 0, nullptr);
  }

  void stop_test() {
    engine_.stop();
    engine_.set_listener(nullptr, 0);
    if (page_) {
      EnableWindow(item(IDC_WIZARD_METER), FALSE);
      set_levels(item(IDC_WIZARD_METER), 0, nullptr);
    }
  }

  void on_levels(uint32_t, const LevelRecord& levels) override {
    if (IsWindowEnabled(item(IDC_WIZARD_METER)))
      set_levels(item(IDC_WIZARD_METER), levels.channel_count, reinterpret_cast<const signed char*>(levels.db));
  }

  void show_volume_or_mixer() {
    bool line_chosen = selection(IDC_WIZARD_INPUT) > 0;
    ShowWindow(item(IDC_WIZARD_VOLUME_LABEL), line_chosen ? SW_SHOW : SW_HIDE);
    ShowWindow(item(IDC_WIZARD_VOLUME), line_chosen ? SW_SHOW : SW_HIDE);
    ShowWindow(item(IDC_WIZARD_MIXER), line_chosen ? SW_HIDE : SW_SHOW);
  }

  void save() {
    InputMixerSettings settings;
    settings.record_device = device_setting();
    settings.record_chan = source();
    settings.record_volume = slider_value(item(IDC_WIZARD_VOLUME));
    RegistrySection section(Hive::Machine, kSectionSettings);
    save_input_mixer_settings(section, settings);
  }

  CaptureEngine engine_;
  bool finished_ = false;
};

// The wizard's own buttons carry the system's texts; this program speaks French.
int CALLBACK wizard_callback(HWND wizard, UINT message, LPARAM) {
  if (message == PSCB_INITIALIZED) {
    static const struct {
      int id;
      const char* text;
    } kButtons[] = {{kWizardBackButton, "< Précédent"}, {kWizardNextButton, "Suivant >"},
                    {kWizardFinishButton, "Terminer"}, {IDCANCEL, "Annuler"}};
    for (const auto& button : kButtons) SetDlgItemTextA(wizard, button.id, button.text);
  }
  return 0;
}

}  // namespace

bool run_record_setting_wizard(HWND owner) {
  register_ui_controls(GetModuleHandleA(nullptr));
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  RecordSettingPage page;
  PROPSHEETPAGEA pages[1] = {page.sheet_page()};
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD97 | PSH_HEADER | PSH_USECALLBACK;
  header.pfnCallback = wizard_callback;
  header.hwndParent = owner;
  header.hInstance = GetModuleHandleA(nullptr);
  header.pszCaption = kWizardTitle;
  header.nPages = 1;
  header.ppsp = pages;
  PropertySheetA(&header);
  return page.finished();
}

void refuse_setup_wizard(HWND owner) { MessageBoxA(owner, kWizardRefused, kWizardTitle, MB_OK | MB_ICONINFORMATION); }

}  // namespace vt
