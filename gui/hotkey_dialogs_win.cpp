#include "gui/hotkey_dialogs_win.h"

#include "gui/hotkey_dialogs_res.h"
#include "gui/options_hooks.h"
#include "hotkeys/hotkey_bindings.h"
#include "hotkeys/hotkeys_win.h"
#include "ui/custom_panel_win.h"
#include "ui/dialog_win.h"
#include "win/settings_win.h"

namespace vt {

namespace {

const char kKeyChangeTemplate[] = "LKeyChangeDlg";
const char kCharacterKeyRefused[] =
    "Cette touche seule tape un caractère: réservée comme raccourci, elle ne marcherait plus dans aucun "
    "programme. Ajoutez Ctrl ou Alt.";
// Key presses the dialog's focused button hands to the dialog.
constexpr UINT kCapturedKeyMessage = WM_APP + 1;

// The dialog's only focusable control wants every key, so that Tab, the arrows,
// Space and Enter reach the capture instead of the dialog manager, and passes the
// key-downs on; everything else is the button's own.
LRESULT CALLBACK capturing_button_proc(HWND button, UINT message, WPARAM wparam, LPARAM lparam) {
  auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(button, GWLP_USERDATA));
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      SendMessageA(GetParent(button), kCapturedKeyMessage, wparam, lparam);
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
      return 0;
  }
  return CallWindowProcA(original, button, message, wparam, lparam);
}

class KeyChangeDialog : public Dialog {
 public:
  int32_t key_code = 0;

 private:
  bool on_init() override {
    HWND button = GetDlgItem(window_, IDCANCEL);
    SetWindowLongPtrA(button, GWLP_USERDATA, GetWindowLongPtrA(button, GWLP_WNDPROC));
    SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(capturing_button_proc));
    SetFocus(button);
    return false;
  }

  bool on_command(int id, int) override {
    if (id == IDCANCEL) EndDialog(window_, 0);
    return true;
  }

  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == kCapturedKeyMessage) {
      on_key(wparam, lparam);
      return TRUE;
    }
    return Dialog::handle(message, wparam, lparam);
  }

  void on_key(WPARAM virtual_key, LPARAM lparam) {
    if (lparam & (1 << 30)) return;  // auto-repeat
    int32_t code = key_code_with_modifiers(WM_KEYDOWN, virtual_key, lparam);
    switch (classify_captured_key(code)) {
      case KeyCapture::kIgnored:
        break;
      case KeyCapture::kCancel:
        EndDialog(window_, 0);
        break;
      case KeyCapture::kRefused:
        SetDlgItemTextA(window_, IDC_KEY_CHANGE_TEXT, kCharacterKeyRefused);
        break;
      case KeyCapture::kTaken:
        key_code = code;
        EndDialog(window_, 1);
        break;
    }
  }
};

class HotkeyCommandDialog : public Dialog {
 public:
  HotkeyCommandDialog(SettingsSection& keys, int binding) : keys_(keys), binding_(binding) {}

 private:
  bool on_command(int id, int) override {
    switch (id) {
      case IDC_HOTKEY_COMMAND_CHANGE_KEY: change_key(); return true;
      case IDOK: store_command(); EndDialog(window_, IDOK); return true;
      case IDCANCEL: EndDialog(window_, IDCANCEL); return true;
    }
    return false;
  }

  bool on_init() override {
    HotkeyBinding binding = read_hotkey_binding(keys_, binding_);
    SetDlgItemTextA(window_, IDC_HOTKEY_COMMAND_KEY, key_text(binding.key_code).c_str());
    HWND list = GetDlgItem(window_, IDC_HOTKEY_COMMAND_LIST);
    for (int command = 0; command < kHotkeyCommandCount; ++command) {
      LRESULT item = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(hotkey_command_name(command)));
      SendMessageA(list, CB_SETITEMDATA, item, command);
      if (command == binding.command) SendMessageA(list, CB_SETCURSEL, item, 0);
    }
    return true;
  }

  void change_key() {
    int32_t key_code = 0;
    if (!capture_key(window_, &key_code)) return;
    SetDlgItemTextA(window_, IDC_HOTKEY_COMMAND_KEY, key_text(key_code).c_str());
    write_hotkey_key(keys_, binding_, key_code);
  }

  void store_command() {
    HWND list = GetDlgItem(window_, IDC_HOTKEY_COMMAND_LIST);
    LRESULT item = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (item == CB_ERR) return;
    write_hotkey_command(keys_, binding_, static_cast<int32_t>(SendMessageA(list, CB_GETITEMDATA, item, 0)));
  }

  SettingsSection& keys_;
  int binding_;
};

}  // namespace

bool capture_key(HWND owner, int32_t* key_code) {
  KeyChangeDialog dialog;
  if (dialog.run_modal(owner, kKeyChangeTemplate) != 1) return false;
  *key_code = dialog.key_code;
  return true;
}

bool choose_hotkey_command(HWND owner, SettingsSection& keys, int binding) {
  HotkeyCommandDialog dialog(keys, binding);
  return dialog.run_modal(owner, MAKEINTRESOURCEA(IDD_HOTKEY_COMMAND)) == IDOK;
}

// The page's Add: a new binding past the last one, counted only once its command is
// chosen (a cancelled choice leaves the key stored past the count).
bool OptionsHooks::add_hotkey(HWND owner) {
  int32_t key_code = 0;
  if (!capture_key(owner, &key_code)) return false;
  RegistrySection keys(Hive::User, kSectionKeys);
  int binding = hotkey_binding_count(keys);
  if (binding >= kMaxHotkeyBindings) return false;
  write_hotkey_key(keys, binding, key_code);
  if (!choose_hotkey_command(owner, keys, binding)) return false;
  write_hotkey_binding_count(keys, binding + 1);
  return true;
}

bool OptionsHooks::modify_hotkey(HWND owner, int binding) {
  RegistrySection keys(Hive::User, kSectionKeys);
  return choose_hotkey_command(owner, keys, binding);
}

}  // namespace vt
