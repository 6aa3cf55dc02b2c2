#include "gui/general_page_win.h"

#include "gui/general_page_res.h"
#include "gui/options_page_win.h"
#include "gui/options_rules.h"
#include "win/settings_win.h"

namespace vt {

PROPSHEETPAGEA GeneralPage::sheet_page() {
  return make_sheet_page(IDD_GENERAL_PAGE);
}

INT_PTR GeneralPage::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      on_init();
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) != IDC_GENERAL_INTERVAL_TONE || HIWORD(wparam) != BN_CLICKED) return FALSE;
      update_enabling();
      return TRUE;
  }
  return FALSE;
}

void GeneralPage::on_init() {
  set_ticked(page_, IDC_GENERAL_RECORD_TONE, read_setting(kRecordTone));
  set_ticked(page_, IDC_GENERAL_STOPPED_TONE, read_setting(kStoppedTone));
  set_ticked(page_, IDC_GENERAL_INTERVAL_TONE, read_setting(kIntervalTone));
  SetDlgItemInt(page_, IDC_GENERAL_INTERVAL_SECS, read_setting(kIntervalSecs), TRUE);
  set_ticked(page_, IDC_GENERAL_LOGON, logon_entry_exists());
  set_ticked(page_, IDC_GENERAL_RECORD_WHEN_RUN, read_setting(kRecordWhenRun));
  SetDlgItemInt(page_, IDC_GENERAL_WARN_SPACE, read_setting(kWarnSpaceBelow), TRUE);
  SendDlgItemMessageA(page_, IDC_GENERAL_INTERVAL_SECS, EM_LIMITTEXT, 10, 0);
  SendDlgItemMessageA(page_, IDC_GENERAL_WARN_SPACE, EM_LIMITTEXT, 10, 0);
  update_enabling();
}

void GeneralPage::update_enabling() {
  EnableWindow(GetDlgItem(page_, IDC_GENERAL_INTERVAL_SECS), is_ticked(page_, IDC_GENERAL_INTERVAL_TONE));
}

// The tones are written before the interval is checked: a refused interval leaves
// them saved, and the page open for the correction.
bool GeneralPage::apply() {
  write_setting(kRecordTone, is_ticked(page_, IDC_GENERAL_RECORD_TONE));
  write_setting(kStoppedTone, is_ticked(page_, IDC_GENERAL_STOPPED_TONE));
  bool interval_tone = is_ticked(page_, IDC_GENERAL_INTERVAL_TONE);
  write_setting(kIntervalTone, interval_tone);
  if (interval_tone) {
    std::string interval = dialog_item_text(page_, IDC_GENERAL_INTERVAL_SECS);
    switch (check_interval(interval.c_str())) {
      case IntervalCheck::kEmpty:
        refuse_apply(page_, "Veuillez entrer un intervalle valide (en secs).", "Intervalle Invalide");
        return false;
      case IntervalCheck::kInvalid:
        refuse_apply(page_, "Veuillez entrer une durée d'intervalle valide.", "Durée invalide");
        return false;
      case IntervalCheck::kAccepted:
        write_setting(kIntervalSecs, box_number(interval.c_str()));
        break;
    }
  }
  write_setting(kRecordWhenRun, is_ticked(page_, IDC_GENERAL_RECORD_WHEN_RUN));
  bool start_at_logon = is_ticked(page_, IDC_GENERAL_LOGON);
  if (start_at_logon && !logon_entry_exists()) set_logon_entry();
  if (!start_at_logon && logon_entry_exists()) remove_logon_entry();
  write_setting(kWarnSpaceBelow, box_number(dialog_item_text(page_, IDC_GENERAL_WARN_SPACE).c_str()));
  return true;
}

}  // namespace vt
