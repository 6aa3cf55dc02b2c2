#include "ui/custom_panel_win.h"

#include <algorithm>

namespace vt {

const char kCustomPanelClass[] = "LPC";

namespace {

// Long 0 of the extra bytes: 1 while the pointer is inside and a leave notice is pending.
const int kPointerInsideOffset = 0;

CustomPanel* owner_of(HWND panel) {
  return reinterpret_cast<CustomPanel*>(GetWindowLongPtrA(panel, GWLP_USERDATA));
}

LRESULT CALLBACK custom_panel_proc(HWND panel, UINT message, WPARAM wparam, LPARAM lparam) {
  if (CustomPanel* owner = owner_of(panel)) {
    LRESULT result = owner->window_proc(panel, message, wparam, lparam);
    // The window is gone: no message may reach the owner after this one.
    if (message == WM_NCDESTROY) SetWindowLongPtrA(panel, GWLP_USERDATA, 0);
    return result;
  }
  if (message == WM_ERASEBKGND) return 1;
  return DefWindowProcA(panel, message, wparam, lparam);
}

}  // namespace

int key_code_with_modifiers(UINT message, WPARAM virtual_key, LPARAM key_data) {
  int code = static_cast<int>(virtual_key & 0xFFFF);
  if (GetKeyState(VK_CONTROL) < 0) code |= kKeyCtrl;
  // A system key-down carries the Alt state in its context bit as well.
  if (GetKeyState(VK_MENU) < 0 || (message == WM_SYSKEYDOWN && (key_data & (1 << 29)))) code |= kKeyAlt;
  if (GetKeyState(VK_SHIFT) < 0) code |= kKeyShift;
  return code;
}

LRESULT CustomPanel::window_proc(HWND panel, UINT message, WPARAM wparam, LPARAM lparam) {
  const int x = static_cast<short>(LOWORD(lparam)), y = static_cast<short>(HIWORD(lparam));
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint_record;
      BeginPaint(panel, &paint_record);
      paint_record.rcPaint.right = std::min<LONG>(paint_record.rcPaint.right, width_);
      paint_record.rcPaint.top = std::max<LONG>(paint_record.rcPaint.top, 0);
      paint(paint_record);
      EndPaint(panel, &paint_record);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the owner paints everything
    case WM_SIZE:
      set_panel_size(LOWORD(lparam), HIWORD(lparam));
      InvalidateRect(panel, nullptr, FALSE);
      return 0;
    case WM_ENABLE:
      InvalidateRect(panel, nullptr, FALSE);
      return 0;
    case WM_MOUSEMOVE:
      if (!GetWindowLongA(panel, kPointerInsideOffset)) {
        SetWindowLongA(panel, kPointerInsideOffset, 1);
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, panel, 0};
        TrackMouseEvent(&track);
        mouse_entered();
      }
      mouse_moved(x, y);
      return 0;
    case WM_MOUSELEAVE:
      SetWindowLongA(panel, kPointerInsideOffset, 0);
      mouse_left();
      return 0;
    case WM_LBUTTONDOWN:
      left_button_down(x, y);
      return 0;
    case WM_LBUTTONUP:
      left_button_up(x, y);
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (lparam & (1 << 30)) break;  // auto-repeat
      if (key_pressed(key_code_with_modifiers(message, wparam, lparam))) return 0;
      break;
  }
  return DefWindowProcA(panel, message, wparam, lparam);
}

bool register_custom_panel(HINSTANCE instance) {
  WNDCLASSA window_class = {};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = custom_panel_proc;
  window_class.cbWndExtra = kCustomPanelExtraBytes;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.lpszClassName = kCustomPanelClass;
  return RegisterClassA(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void attach_panel_owner(HWND panel, CustomPanel* owner) {
  SetWindowLongPtrA(panel, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
  if (owner) {
    RECT client;
    GetClientRect(panel, &client);
    owner->set_panel_size(client.right, client.bottom);
  }
  InvalidateRect(panel, nullptr, FALSE);
}

}  // namespace vt
