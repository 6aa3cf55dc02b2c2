#include "ui/dialog_win.h"

namespace vt {

Dialog::~Dialog() {
  // A modeless dialog whose object goes first must not call into freed memory.
  if (window_) {
    SetWindowLongPtrA(window_, DWLP_USER, 0);
    DestroyWindow(window_);
  }
}

INT_PTR Dialog::run_modal(HWND owner, LPCSTR template_name) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), template_name, owner, procedure, reinterpret_cast<LPARAM>(this));
}

HWND Dialog::create_modeless(HWND owner, LPCSTR template_name) {
  return CreateDialogParamA(GetModuleHandleA(nullptr), template_name, owner, procedure, reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::handle(UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return on_init() ? TRUE : FALSE;
    case WM_COMMAND:
      return on_command(LOWORD(wparam), HIWORD(wparam)) ? TRUE : FALSE;
  }
  return FALSE;
}

INT_PTR CALLBACK Dialog::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Dialog*>(lparam);
    SetWindowLongPtrA(window, DWLP_USER, lparam);
    self->window_ = window;
  }
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
  if (!self) return FALSE;
  INT_PTR result = self->handle(message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, DWLP_USER, 0);
    self->window_ = nullptr;
    self->destroyed();
  }
  return result;
}

}  // namespace vt
