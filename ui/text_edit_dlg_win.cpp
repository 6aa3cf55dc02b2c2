#include "ui/text_edit_dlg_win.h"

#include "base/paths.h"
#include "ui/dialog_win.h"
#include "ui/text_edit_dlg_res.h"

namespace vt {

namespace {

class TextEditDialog : public Dialog {
 public:
  TextEditDialog(const char* prompt, std::string* text) : prompt_(prompt), text_(text) {}

  bool run(HWND owner) { return run_modal(owner, "LTextEditDlg") == IDOK; }

 private:
  bool on_init() override {
    HWND dialog = window_;
    SetDlgItemTextA(dialog, IDC_TEXT_EDIT_PROMPT, prompt_);
    SendDlgItemMessageA(dialog, IDC_TEXT_EDIT_VALUE, EM_LIMITTEXT, kMaxPathChars, 0);
    SetDlgItemTextA(dialog, IDC_TEXT_EDIT_VALUE, text_->c_str());
    // The earlier entry is selected so that typing replaces it and an arrow key keeps it.
    SendDlgItemMessageA(dialog, IDC_TEXT_EDIT_VALUE, EM_SETSEL, 0, -1);
    SetFocus(GetDlgItem(dialog, IDC_TEXT_EDIT_VALUE));
    return false;  // the focus is set
  }

  bool on_command(int id, int) override {
    HWND dialog = window_;
    if (id == IDOK) {
      char buffer[kMaxPathChars + 1] = {};
      GetDlgItemTextA(dialog, IDC_TEXT_EDIT_VALUE, buffer, sizeof buffer);
      *text_ = buffer;
      EndDialog(dialog, IDOK);
      return true;
    }
    if (id == IDCANCEL) {
      EndDialog(dialog, IDCANCEL);
      return true;
    }
    return false;
  }

  const char* prompt_;
  std::string* text_;
};

}  // namespace

bool ask_for_text(HWND owner, const char* prompt, std::string* text) {
  TextEditDialog dialog(prompt, text);
  return dialog.run(owner);
}

}  // namespace vt
