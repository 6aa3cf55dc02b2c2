// The e-mail settings dialog (LEmailSendSet), opened the way the transmit page's
// button opens it, driven from a second thread: enabling, the three refusals in
// their order, and what OK stores.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gui/email_settings_dlg_res.h"
#include "gui/options_hooks.h"
#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"
#include "win/settings_win.h"

namespace vt {
namespace {

const char kTitle[] = "Paramètres Email";

bool enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

// Presses OK without waiting (a refusal's box then runs inside the dialog's thread),
// and dismisses the box of that caption; false when none appeared.
bool refused_with(HWND dialog, const char* caption, std::string* text) {
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  HWND box = vt_test::find_window("#32770", caption, 5000);
  if (!box) return false;
  for (HWND at = nullptr; (at = FindWindowExA(box, at, "Static", nullptr)) != nullptr;) {
    std::string shown = vt_test::window_text(at);
    if (shown.size() > text->size()) *text = shown;
  }
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  return vt_test::wait_until([&] { return !IsWindow(box); }, 5000);
}

class EmailSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"UseMAPI", "MailSMTPHost", "ReplyToEmail", "MailPlainLogin"})
      guards_.emplace_back(new vt_test::SettingGuard(Hive::Machine, "Email", name));
  }
  // Opens the dialog through the options hooks on this thread; `drive` runs on another.
  void run(const std::function<void(HWND)>& drive) {
    std::atomic<bool> driven{false};
    std::thread driver([&] {
      HWND dialog = vt_test::find_window("#32770", kTitle, 10000);
      if (!dialog) {
        ADD_FAILURE() << "the dialog did not appear";
        return;
      }
      // Found by its caption before it has filled its controls: a dialog box shows
      // itself once its initialisation is done.
      vt_test::wait_until([&] { return IsWindowVisible(dialog) != FALSE; }, 10000);
      drive(dialog);
      driven = true;
      if (IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    OptionsHooks hooks;
    hooks.edit_email_settings(nullptr);
    driver.join();
    EXPECT_TRUE(driven);
  }
  std::vector<std::unique_ptr<vt_test::SettingGuard>> guards_;
};

TEST_F(EmailSettingsTest, RefusalsInOrderThenStores) {
  WriteProfileStringA("Mail", "MAPI", "0");
  write_setting(kEmailUseMapi, true);
  write_setting(kEmailSmtpHost, "");
  write_setting(kEmailReplyTo, "");
  run([&](HWND dialog) {
    EXPECT_TRUE(vt_test::is_checked(dialog, IDC_EMAIL_USE_MAPI));
    for (int id : {IDC_EMAIL_SMTP_HOST, IDC_EMAIL_REPLY_TO, IDC_EMAIL_SMTP_HOST_LABEL, IDC_EMAIL_REPLY_TO_LABEL})
      EXPECT_FALSE(enabled(dialog, id));
    std::string text;
    EXPECT_TRUE(refused_with(dialog, "MAPI Not Detected", &text));
    EXPECT_NE(std::string::npos, text.find("has not been setup for MAPI"));

    SendMessageA(GetDlgItem(dialog, IDC_EMAIL_USE_SMTP), BM_CLICK, 0, 0);
    EXPECT_TRUE(enabled(dialog, IDC_EMAIL_SMTP_HOST));
    EXPECT_TRUE(enabled(dialog, IDC_EMAIL_REPLY_TO));
    text.clear();
    EXPECT_TRUE(refused_with(dialog, "Mailhost Required", &text));
    EXPECT_EQ("If you choose SMTP you must enter a SMTP mailhost. Call your ISP if you don't know what your SMTP "
              "mailhost is.",
              text);
    // The transport was stored before the host was found missing.
    EXPECT_FALSE(read_setting(kEmailUseMapi));

    SetDlgItemTextA(dialog, IDC_EMAIL_SMTP_HOST, "jean:pw@smtp.example.fr:587");
    text.clear();
    EXPECT_TRUE(refused_with(dialog, "Reply Email Required", &text));
    EXPECT_EQ("jean:pw@smtp.example.fr:587", read_setting(kEmailSmtpHost));

    SetDlgItemTextA(dialog, IDC_EMAIL_REPLY_TO, "jean@example.fr");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(vt_test::wait_until([&] { return !IsWindow(dialog); }, 5000));
  });
  EXPECT_FALSE(read_setting(kEmailUseMapi));
  EXPECT_EQ("jean@example.fr", read_setting(kEmailReplyTo));

  // Opened again: SMTP selected and the texts shown.
  run([&](HWND dialog) {
    EXPECT_TRUE(vt_test::is_checked(dialog, IDC_EMAIL_USE_SMTP));
    EXPECT_EQ("jean:pw@smtp.example.fr:587", vt_test::control_text(dialog, IDC_EMAIL_SMTP_HOST));
    EXPECT_EQ("jean@example.fr", vt_test::control_text(dialog, IDC_EMAIL_REPLY_TO));
    vt_test::save_screenshot("email_settings");
  });
}

// The login in clear is off for new settings, on for a host stored before the choice
// existed, and what OK stores afterwards.
TEST_F(EmailSettingsTest, PlainLoginOffForNewSettingsOnForEarlierOnes) {
  vt_test::delete_value(Hive::Machine, settings_key_path("Email"), "MailPlainLogin");
  write_setting(kEmailUseMapi, false);
  write_setting(kEmailSmtpHost, "");
  run([&](HWND dialog) {
    EXPECT_FALSE(vt_test::is_checked(dialog, IDC_EMAIL_PLAIN_LOGIN));
    EXPECT_TRUE(enabled(dialog, IDC_EMAIL_PLAIN_LOGIN));
    SendMessageA(GetDlgItem(dialog, IDC_EMAIL_USE_MAPI), BM_CLICK, 0, 0);
    EXPECT_FALSE(enabled(dialog, IDC_EMAIL_PLAIN_LOGIN));
  });
  write_setting(kEmailSmtpHost, "jean:pw@smtp.example.fr:587");
  write_setting(kEmailReplyTo, "jean@example.fr");
  run([&](HWND dialog) {
    EXPECT_TRUE(vt_test::is_checked(dialog, IDC_EMAIL_PLAIN_LOGIN));
    SendMessageA(GetDlgItem(dialog, IDC_EMAIL_PLAIN_LOGIN), BM_CLICK, 0, 0);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(vt_test::wait_until([&] { return !IsWindow(dialog); }, 5000));
  });
  char stored[kSettingTextBytes];
  ASSERT_TRUE(read_machine_text("Email", "MailPlainLogin", stored, ""));
  EXPECT_STREQ("0", stored);
  run([&](HWND dialog) { EXPECT_FALSE(vt_test::is_checked(dialog, IDC_EMAIL_PLAIN_LOGIN)); });
}

}  // namespace
}  // namespace vt
