#include "gui/about_dlg_win.h"

#include <string>

#include "gui/about_dlg_res.h"
#include "setup/server_addresses.h"
#include "setup/setup_fetch_win.h"
#include "ui/controls_win.h"
#include "ui/dialog_win.h"
#include "ui/hyperlink_win.h"
#include "win/handles_win.h"

namespace vt {

const char kProgramVersion[] = "2.01";

namespace {

const char kAboutTemplate[] = "LAbout";
const char kHomePage[] = "vocatrack/index";
const char kSupportPage[] = "support/index";

class AboutWindow : public Dialog {
 private:
  bool on_command(int id, int) override {
    if (id == IDOK || id == IDCANCEL) EndDialog(window_, IDOK);
    return true;
  }

  bool on_init() override {
    std::string version = std::string("Version ") + kProgramVersion;
    SetDlgItemTextA(window_, IDC_ABOUT_VERSION, version.c_str());
    // The name in bold, a little larger than the dialog's font.
    HFONT dialog_font = reinterpret_cast<HFONT>(SendMessageA(window_, WM_GETFONT, 0, 0));
    LOGFONTA description = {};
    GetObjectA(dialog_font ? static_cast<HGDIOBJ>(dialog_font) : GetStockObject(DEFAULT_GUI_FONT), sizeof description,
               &description);
    description.lfWeight = FW_BOLD;
    description.lfHeight = description.lfHeight * 5 / 4;
    name_font_.reset(CreateFontIndirectA(&description));
    SendDlgItemMessageA(window_, IDC_ABOUT_NAME, WM_SETFONT, reinterpret_cast<WPARAM>(name_font_.get()), TRUE);
    std::string site = web_site();
    set_hyperlink_address(GetDlgItem(window_, IDC_ABOUT_SITE), web_page_url(site, kHomePage).c_str());
    set_hyperlink_address(GetDlgItem(window_, IDC_ABOUT_SUPPORT), web_page_url(site, kSupportPage).c_str());
    SetFocus(GetDlgItem(window_, IDOK));
    return false;
  }

  OwnedFont name_font_;
};

}  // namespace

void show_about_window(HWND owner) {
  register_ui_controls(GetModuleHandleA(nullptr));
  AboutWindow window;
  window.run_modal(owner, kAboutTemplate);
}

}  // namespace vt
