#include "ui/text_edit_dlg_win.h"

#include "app/paths.h"
#include "ui/text_edit_dlg_res.h"

namespace vt {

namespace {

class TextEditDialog {
 public:
  TextEditDialog(const char* prompt, std::string* text) : prompt_(prompt), text_(text) {}

  bool run(HWND owner) {
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), "LTextEditDlg", owner, dialog_proc,
                                     reinterpret_cast<LPARAM>(this));
    return result == IDOK;
  }

 private:
  static INT_PTR CALLBACK dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lparam);
    auto* self = reinterpret_cast<TextEditDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    return self ? self->handle(dialog, message, wparam) : FALSE;
  }

  INT_PTR handle(HWND dialog, UINT message, WPARAM wparam) {
    switch (message) {
      case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_TEXT_EDIT_PROMPT, prompt_);
        SendDlgItemMessageA(dialog, IDC_TEXT_EDIT_VALUE, EM_LIMITTEXT, kMaxPathChars, 0);
        SetDlgItemTextA(dialog, IDC_TEXT_EDIT_VALUE, text_->c_str());
        // The earlier entry is selected so that typing replaces it and an arrow key keeps it.
        SendDlgItemMessageA(dialog, IDC_TEXT_EDIT_VALUE, EM_SETSEL, 0, -1);
        SetFocus(GetDlgItem(dialog, IDC_TEXT_EDIT_VALUE));
        return FALSE;  // the focus is set
      case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) {
          char buffer[kMaxPathChars + 1] = {};
          GetDlgItemTextA(dialog, IDC_TEXT_EDIT_VALUE, buffer, sizeof buffer);
          *text_ = buffer;
          EndDialog(dialog, IDOK);
          return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        }
        return FALSE;
    }
    return FALSE;
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
