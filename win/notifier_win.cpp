#include "win/notifier_win.h"

namespace vt {

namespace {
const char kNotifierClass[] = "LTQN";
}

Notifier::Notifier(NotificationTarget* owner) {
  static bool registered = false;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!registered) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.lpszClassName = kNotifierClass;
    wc.cbWndExtra = sizeof(LONG_PTR);
    registered = RegisterClassA(&wc) != 0;
  }
  // Never shown, no size: it only carries messages back to the main thread.
  window_ = CreateWindowExA(0, kNotifierClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, owner);
}

Notifier::~Notifier() { close(); }

void Notifier::close() {
  HWND window = window_;
  window_ = nullptr;
  if (window) DestroyWindow(window);
}

void Notifier::post() const {
  HWND window = window_;
  if (window) PostMessageA(window, WM_USER, 0, 0);
}

LRESULT CALLBACK Notifier::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  } else if (message == WM_USER) {
    auto* owner = reinterpret_cast<NotificationTarget*>(GetWindowLongPtrA(window, 0));
    if (owner) owner->on_notify();
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace vt
