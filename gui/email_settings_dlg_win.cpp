#include "gui/email_settings_dlg_win.h"

#include <string>

#include "delivery/delivery_settings.h"
#include "delivery/mapi_win.h"
#include "gui/email_settings_dlg_res.h"
#include "gui/options_page_win.h"
#include "ui/dialog_win.h"
#include "win/settings_win.h"

namespace vt {

namespace {

constexpr int kTextLimit = 260;

class EmailSettingsDialog : public Dialog {
 private:
  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool on_init() override;
  void update_enabling();
  bool on_ok();
  bool smtp() const { return is_ticked(window_, IDC_EMAIL_USE_SMTP); }
  void inform(const char* text, const char* caption) {
    MessageBoxA(window_, text, caption, MB_OK | MB_ICONINFORMATION);
  }

  RegistrySection section_{Hive::Machine, kSectionEmail};
};

INT_PTR EmailSettingsDialog::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      on_init();
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_EMAIL_USE_MAPI:
        case IDC_EMAIL_USE_SMTP:
          update_enabling();
          return TRUE;
        case IDOK:
          if (on_ok()) EndDialog(window_, IDOK);
          return TRUE;
        case IDCANCEL:
          EndDialog(window_, IDCANCEL);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

bool EmailSettingsDialog::on_init() {
  SendDlgItemMessageA(window_, IDC_EMAIL_SMTP_HOST, EM_LIMITTEXT, kTextLimit - 1, 0);
  SendDlgItemMessageA(window_, IDC_EMAIL_REPLY_TO, EM_LIMITTEXT, kTextLimit - 1, 0);
  EmailSettings settings = load_email_settings(section_);
  CheckRadioButton(window_, IDC_EMAIL_USE_MAPI, IDC_EMAIL_USE_SMTP,
                   settings.use_mapi ? IDC_EMAIL_USE_MAPI : IDC_EMAIL_USE_SMTP);
  SetDlgItemTextA(window_, IDC_EMAIL_SMTP_HOST, settings.smtp_host.c_str());
  SetDlgItemTextA(window_, IDC_EMAIL_REPLY_TO, settings.reply_to.c_str());
  CheckDlgButton(window_, IDC_EMAIL_PLAIN_LOGIN, settings.allow_plain_login ? BST_CHECKED : BST_UNCHECKED);
  update_enabling();
  return true;
}

void EmailSettingsDialog::update_enabling() {
  static const int kSmtpItems[] = {IDC_EMAIL_SMTP_HOST,       IDC_EMAIL_REPLY_TO,    IDC_EMAIL_SMTP_HOST_LABEL,
                                   IDC_EMAIL_REPLY_TO_LABEL,  IDC_EMAIL_PLAIN_LOGIN, IDC_EMAIL_PLAIN_LOGIN_NOTE};
  enable_items(window_, kSmtpItems, 6, smtp());
}

// In this order; the transport is stored before the host is checked.
bool EmailSettingsDialog::on_ok() {
  bool use_smtp = smtp();
  if (!use_smtp && !mapi_available()) {
    inform("Your email software (Outlook, Thunderbird...) has not been setup for MAPI. Refer to your email software "
           "Help to find out how to set it up for MAPI. Otherwise use the SMTP option.",
           "MAPI Not Detected");
    return false;
  }
  EmailSettings settings = load_email_settings(section_);
  settings.use_mapi = !use_smtp;
  save_email_settings(section_, settings);
  std::string host = dialog_item_text(window_, IDC_EMAIL_SMTP_HOST, kTextLimit);
  if (use_smtp && host.empty()) {
    inform("If you choose SMTP you must enter a SMTP mailhost. Call your ISP if you don't know what your SMTP "
           "mailhost is.",
           "Mailhost Required");
    return false;
  }
  settings.smtp_host = host;
  save_email_settings(section_, settings);
  std::string reply_to = dialog_item_text(window_, IDC_EMAIL_REPLY_TO, kTextLimit);
  if (use_smtp && reply_to.empty()) {
    inform("If you choose SMTP you must enter a valid reply-to address. Enter your email address.",
           "Reply Email Required");
    return false;
  }
  settings.reply_to = reply_to;
  settings.allow_plain_login = is_ticked(window_, IDC_EMAIL_PLAIN_LOGIN);
  settings.plain_login_stored = true;
  save_email_settings(section_, settings);
  return true;
}

}  // namespace

bool show_email_settings(HWND owner) {
  EmailSettingsDialog dialog;
  return dialog.run_modal(owner, "LEmailSendSet") == IDOK;
}

}  // namespace vt
