#include "gui/options_sheet_win.h"

#include <commctrl.h>
#include <prsht.h>

#include "gui/commands_page_win.h"
#include "gui/email_settings_dlg_win.h"
#include "gui/general_page_win.h"
#include "base/paths.h"
#include "capture/mixer_win.h"
#include "gui/transmit_page_win.h"
#include "gui/output_page_win.h"
#include "gui/record_page_win.h"
#include "gui/schedule_page_win.h"
#include "recorder/scheduler_win.h"
#include "ui/help_win.h"

namespace vt {

const char kDestinationChangedText[] =
    "Vocatrack Sound Recorder va maintenant fermer car vous avez modifié le répertoire de destination.\r\r"
    "Veuillez redémarrer Vocatrack Sound Recorder démarrer avec le nouveau répertoire.";
const char kDestinationChangedCaption[] = "Fermer";

void OptionsHooks::open_recording_mixer(HWND owner) { start_mixer_program("sndvol32.exe /rec"); }

int OptionsHooks::input_source_count(int device) { return vt::input_source_count(device); }

std::string OptionsHooks::input_source_name(int device, int source) { return vt::input_source_name(device, source); }

void OptionsHooks::edit_email_settings(HWND owner) { show_email_settings(owner); }

void OptionsHooks::show_help(HWND owner, int context) { open_help(owner, context); }

namespace {

// The sheet's own buttons carry the system's texts; this program speaks French
// whatever the system's language.
int CALLBACK sheet_callback(HWND sheet, UINT message, LPARAM) {
  if (message == PSCB_INITIALIZED) {
    SetDlgItemTextA(sheet, IDOK, "OK");
    SetDlgItemTextA(sheet, IDCANCEL, "Annuler");
    SetDlgItemTextA(sheet, IDHELP, "Aide");
  }
  return 0;
}

}  // namespace

OptionsOutcome show_options_dialog(HWND owner, int first_page, OptionsHooks* hooks) {
  OptionsHooks default_hooks;
  OptionsHooks& used = hooks ? *hooks : default_hooks;

  RecordPage record(used);
  TransmitPage transmit(used);
  GeneralPage general;
  CommandsPage commands(used);
  OutputPage output(used.output_services());
  RegistrySection schedule_store(Hive::User, kSectionSchedule);
  SchedulePage schedule(schedule_store);
  PROPSHEETPAGEA pages[6] = {record.sheet_page(), output.sheet_page(), transmit.sheet_page(),
                             general.sheet_page(), commands.sheet_page(), schedule.sheet_page()};

  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USECALLBACK;
  header.hwndParent = owner;
  header.hInstance = GetModuleHandleA(nullptr);
  header.pszCaption = "Options";
  header.nPages = 6;
  header.nStartPage = first_page >= 0 && first_page < 6 ? first_page : 0;
  header.ppsp = pages;
  header.pfnCallback = sheet_callback;

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);

  used.unregister_hotkeys();
  INT_PTR result = PropertySheetA(&header);
  OptionsOutcome outcome = result > 0 ? OptionsOutcome::kAccepted : OptionsOutcome::kCancelled;
  if (outcome == OptionsOutcome::kAccepted && output.destination_changed()) {
    // Either answer ends the program: the list and the recorder hold the old folder.
    MessageBoxA(owner, kDestinationChangedText, kDestinationChangedCaption, MB_OKCANCEL | MB_ICONQUESTION);
    outcome = OptionsOutcome::kExitRequested;
  }
  used.register_hotkeys();
  return outcome;
}

}  // namespace vt
