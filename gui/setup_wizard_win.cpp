#include "gui/setup_wizard_win.h"

#include <commctrl.h>
#include <prsht.h>

#include <vector>

#include "base/product_name.h"
#include "gui/licence_text.h"
#include "gui/setup_wizard_res.h"
#include "setup/installer_win.h"
#include "setup/related_programs.h"
#include "setup/setup_fetch_win.h"
#include "ui/progress_task_win.h"
#include "ui/sheet_page_win.h"

namespace vt {
namespace {

// The wizard's own Finish button.
const int kFinishButton = 0x3025;
const UINT kStartWork = WM_APP + 1;

const char kAbandonText[] =
    "L'installation n'est pas terminée. Si vous abandonnez maintenant, le programme ne sera pas installé.\r\n\r\n"
    "Vous pouvez lancer le programme d'installation à nouveau à un autre moment pour terminer l'installation."
    "\r\n\r\nAbandonner l'Installation?";

bool quiet_install() {
  SetLastError(ERROR_SUCCESS);
  return GetEnvironmentVariableA("LQUIET", nullptr, 0) != 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

HWND sheet_of(HWND page) { return GetParent(page); }

void set_result(HWND page, LONG_PTR value) { SetWindowLongPtrA(page, DWLP_MSGRESULT, value); }

// What the whole wizard shares: the chosen related programs and how it ended.
struct WizardState {
  bool installer = false;      // the installer's wizard, not the offer alone
  bool declined = false;       // "Je ne suis pas d'accord", then "Fermer"
  bool installed = false;      // the work of the installing page succeeded
  bool working = false;        // the installing page is copying
  bool failed = false;         // the copy failed and said why
  std::vector<bool> chosen = std::vector<bool>(kRelatedProgramCount, false);
  std::string installer_path;
};

// A wizard page with a header and a subheader; Cancel asks first in the installer.
class WizardPage : public SheetPage {
 public:
  WizardPage(WizardState* state, const char* template_name, const char* title, const char* subtitle)
      : state_(state), template_name_(template_name), title_(title), subtitle_(subtitle) {}
  PROPSHEETPAGEA sheet_page() {
    PROPSHEETPAGEA page = make_sheet_page(0);
    page.pszTemplate = template_name_;
    page.dwFlags |= PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE;
    page.pszHeaderTitle = title_;
    page.pszHeaderSubTitle = subtitle_;
    return page;
  }

 protected:
  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lparam)->code == PSN_QUERYCANCEL) {
      set_result(page_, confirm_cancel() ? FALSE : TRUE);
      return TRUE;
    }
    return page_message(message, wparam, lparam);
  }
  virtual INT_PTR page_message(UINT message, WPARAM wparam, LPARAM lparam) = 0;
  virtual bool confirm_cancel() {
    if (!state_->installer || state_->failed) return true;
    return MessageBoxA(sheet_of(page_), kAbandonText, "Arrêter l'Installation", MB_OKCANCEL | MB_ICONQUESTION) ==
           IDOK;
  }

  WizardState* state_;

 private:
  const char* template_name_;
  const char* title_;
  const char* subtitle_;
};

class TermsPage : public WizardPage {
 public:
  explicit TermsPage(WizardState* state)
      : WizardPage(state, "LTerms", "Accord sur la Licence", "Veuillez lire les informations suivantes avant de continuer.") {}

 private:
  INT_PTR page_message(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_INITDIALOG:
        SetDlgItemTextA(page_, IDC_TERMS_TEXT, kLicenceText);
        return TRUE;
      case WM_COMMAND:
        if (HIWORD(wparam) == BN_CLICKED && (LOWORD(wparam) == IDC_TERMS_AGREE || LOWORD(wparam) == IDC_TERMS_DISAGREE))
          update_buttons();
        return TRUE;
      case WM_NOTIFY:
        switch (reinterpret_cast<NMHDR*>(lparam)->code) {
          case PSN_SETACTIVE:
            update_buttons();
            set_result(page_, 0);
            return TRUE;
          case PSN_WIZFINISH:
            // Only reachable through "Fermer": the wizard ends without installing.
            state_->declined = true;
            set_result(page_, FALSE);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
  }

  void update_buttons() {
    HWND sheet = sheet_of(page_);
    if (IsDlgButtonChecked(page_, IDC_TERMS_DISAGREE) == BST_CHECKED) {
      PropSheet_SetWizButtons(sheet, PSWIZB_FINISH);
      SetDlgItemTextA(sheet, kFinishButton, "Fermer");
    } else if (IsDlgButtonChecked(page_, IDC_TERMS_AGREE) == BST_CHECKED) {
      PropSheet_SetWizButtons(sheet, PSWIZB_NEXT);
    } else {
      PropSheet_SetWizButtons(sheet, 0);
    }
  }
};

class SelectRelatedPage : public WizardPage {
 public:
  explicit SelectRelatedPage(WizardState* state)
      : WizardPage(state, "LSelectRelatedDlg", "Sélectionner les Programmes Assimilés",
                   "Des programmes gratuits qui complètent Vocatrack Sound Recorder.") {}

 private:
  INT_PTR page_message(UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == WM_INITDIALOG) {
      for (int i = 0; i < kRelatedProgramCount; ++i) {
        SetDlgItemTextA(page_, IDC_RELATED_FIRST_CHECK + i, kRelatedPrograms[i].display_name);
        SetDlgItemTextA(page_, IDC_RELATED_FIRST_TEXT + i, kRelatedPrograms[i].description);
      }
      return TRUE;
    }
    if (message != WM_NOTIFY) return FALSE;
    switch (reinterpret_cast<NMHDR*>(lparam)->code) {
      case PSN_SETACTIVE:
        PropSheet_SetWizButtons(sheet_of(page_), state_->installer ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_NEXT);
        set_result(page_, 0);
        return TRUE;
      case PSN_WIZNEXT:
        for (int i = 0; i < kRelatedProgramCount; ++i)
          state_->chosen[i] = IsDlgButtonChecked(page_, IDC_RELATED_FIRST_CHECK + i) == BST_CHECKED;
        set_result(page_, 0);
        return TRUE;
    }
    return FALSE;
  }
};

// The page's own controls carry the progress task's lines and bar.
class PageTask : public ProgressTask {
 public:
  PageTask() : ProgressTask("") {}
  bool run() override { return false; }
};

class InstallingPage : public WizardPage {
 public:
  InstallingPage(WizardState* state, bool last)
      : WizardPage(state, "LInstallingDlg", state->installer ? "Installation" : "Installation des Programmes Assimilés",
                   state->installer ? kProductNameAndVersion : kProductName),
        last_(last) {}

 private:
  INT_PTR page_message(UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == WM_INITDIALOG) {
      SendDlgItemMessageA(page_, IDC_INSTALLING_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
      return TRUE;
    }
    if (message == kStartWork) {
      work();
      return TRUE;
    }
    if (message != WM_NOTIFY) return FALSE;
    switch (reinterpret_cast<NMHDR*>(lparam)->code) {
      case PSN_SETACTIVE:
        PropSheet_SetWizButtons(sheet_of(page_), PSWIZB_DISABLEDFINISH);
        // The page shows before the work starts.
        PostMessageA(page_, kStartWork, 0, 0);
        set_result(page_, 0);
        return TRUE;
      case PSN_WIZBACK:
        set_result(page_, -1);  // no way back from here
        return TRUE;
    }
    return FALSE;
  }

  bool confirm_cancel() override {
    if (!WizardPage::confirm_cancel()) return false;
    // The copy sees the missing window at its next look and stops.
    task_.window = nullptr;
    return true;
  }

  void work() {
    if (state_->working) return;
    state_->working = true;
    task_.window = page_;
    Outcome result = Outcome::kDone;
    if (state_->installer) result = install_from(&task_, sheet_of(page_), state_->installer_path);
    if (result == Outcome::kDone) {
      state_->installed = true;
      install_related();
    }
    bool cancelled = task_.window == nullptr;
    task_.window = nullptr;
    state_->working = false;
    if (cancelled) return;  // the sheet is closing
    if (result != Outcome::kDone) {
      state_->failed = true;
      PropSheet_PressButton(sheet_of(page_), PSBTN_CANCEL);
      return;
    }
    PropSheet_SetWizButtons(sheet_of(page_), last_ ? PSWIZB_FINISH : PSWIZB_NEXT);
    PropSheet_PressButton(sheet_of(page_), last_ ? PSBTN_FINISH : PSBTN_NEXT);
  }

  // Each chosen program's setup program, fetched and started quietly; one that
  // cannot be fetched does not stop the others.
  void install_related() {
    for (int i = 0; i < kRelatedProgramCount; ++i) {
      if (!state_->chosen[i]) continue;
      set_progress_fraction(0, &task_);
      if (fetch_and_run_setup(&task_, kRelatedPrograms[i].setup_name) == Outcome::kStopped) return;
    }
  }

  bool last_;
  PageTask task_;
};

int run_wizard(HWND owner, const char* caption, std::vector<PROPSHEETPAGEA>& pages) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD97 | PSH_NOAPPLYNOW;
  header.hwndParent = owner;
  header.hInstance = GetModuleHandleA(nullptr);
  header.pszCaption = caption;
  header.nPages = static_cast<UINT>(pages.size());
  header.ppsp = pages.data();
  return static_cast<int>(PropertySheetA(&header));
}

}  // namespace

bool run_installer_wizard(const std::string& installer_path, HWND owner) {
  WizardState state;
  state.installer = true;
  state.installer_path = installer_path;
  TermsPage terms(&state);
  SelectRelatedPage related(&state);
  InstallingPage installing(&state, true);
  std::vector<PROPSHEETPAGEA> pages;
  if (!quiet_install()) {
    pages.push_back(terms.sheet_page());
    pages.push_back(related.sheet_page());
  }
  pages.push_back(installing.sheet_page());
  run_wizard(owner, "Installation de Vocatrack Sound Recorder", pages);
  return state.installed && !state.declined;
}

void run_related_wizard(HWND owner) {
  WizardState state;
  SelectRelatedPage related(&state);
  InstallingPage installing(&state, true);
  std::vector<PROPSHEETPAGEA> pages = {related.sheet_page(), installing.sheet_page()};
  run_wizard(owner, "Programmes Assimilés", pages);
}

}  // namespace vt
