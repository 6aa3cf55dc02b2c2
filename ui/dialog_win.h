// The one dialog base: a static procedure binds the object to its window at
// WM_INITDIALOG (the object is the creation parameter) and forwards every message to
// `handle`, which returns FALSE for what it does not handle. The default `handle`
// hands WM_INITDIALOG to `on_init` and WM_COMMAND to `on_command`; a dialog overrides
// those two, and `handle` only for other messages (passing the rest on to Dialog::handle).
#pragma once
#include <windows.h>

namespace vt {

class Dialog {
 public:
  virtual ~Dialog();

  // Modal: the dialog's EndDialog result, or -1 when it could not be created.
  INT_PTR run_modal(HWND owner, LPCSTR template_name);
  // Modeless: the window (the object must outlive it), null on failure.
  HWND create_modeless(HWND owner, LPCSTR template_name);
  HWND window() const { return window_; }

 protected:
  virtual INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam);
  // True lets the system give the focus to the first control; false: the dialog set it.
  virtual bool on_init() { return true; }
  // A control's, menu's or key's command; false when not handled.
  virtual bool on_command(int id, int code) { return false; }
  // Called after the window has gone (WM_NCDESTROY); `window()` is null by then.
  virtual void destroyed() {}

  HWND window_ = nullptr;

 private:
  static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
};

}  // namespace vt
