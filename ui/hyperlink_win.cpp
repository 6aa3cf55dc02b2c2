#include "ui/hyperlink_win.h"

#include <shellapi.h>

#include <string>

#include "win/handles_win.h"

namespace vt {

const char kHyperlinkClass[] = "LHyperlink";

namespace {

// Long 0 of the extra bytes: the address (owned), long 1 (offset 8 on 64 bits) the
// font the dialog gave, long 2 set while the button went down over the link.
constexpr int kAddressOffset = 0;
constexpr int kFontOffset = sizeof(LONG_PTR);
constexpr int kPressedOffset = 2 * sizeof(LONG_PTR);

std::string* address_of(HWND link) { return reinterpret_cast<std::string*>(GetWindowLongPtrA(link, kAddressOffset)); }

void paint(HWND link) {
  PAINTSTRUCT paint_record;
  HDC dc = BeginPaint(link, &paint_record);
  RECT client;
  GetClientRect(link, &client);
  HWND parent = GetParent(link);
  // The dialog's own background, as a static control gets it.
  HBRUSH background = reinterpret_cast<HBRUSH>(
      SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link)));
  FillRect(dc, &client, background ? background : GetSysColorBrush(COLOR_BTNFACE));
  LOGFONTA description = {};
  HFONT dialog_font = reinterpret_cast<HFONT>(GetWindowLongPtrA(link, kFontOffset));
  GetObjectA(dialog_font ? static_cast<HGDIOBJ>(dialog_font) : GetStockObject(DEFAULT_GUI_FONT), sizeof description,
             &description);
  description.lfUnderline = TRUE;
  OwnedFont font(CreateFontIndirectA(&description));
  {
    // The underline font leaves the device context before it goes back to the system.
    SelectedObject selected(dc, font.get());
    char text[512] = {};
    GetWindowTextA(link, text, sizeof text);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(link) ? kHyperlinkColour : GetSysColor(COLOR_GRAYTEXT));
    DrawTextA(dc, text, -1, &client, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    if (GetFocus() == link) DrawFocusRect(dc, &client);
  }
  EndPaint(link, &paint_record);
}

void follow(HWND link) {
  if (std::string* address = address_of(link))
    ShellExecuteA(GetParent(link), "open", address->c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  SendMessageA(GetParent(link), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(link), STN_CLICKED),
               reinterpret_cast<LPARAM>(link));
}

LRESULT CALLBACK hyperlink_proc(HWND link, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      paint(link);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETFONT:
      SetWindowLongPtrA(link, kFontOffset, static_cast<LONG_PTR>(wparam));
      if (LOWORD(lparam)) InvalidateRect(link, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return GetWindowLongPtrA(link, kFontOffset);
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcA(link, message, wparam, lparam);
      InvalidateRect(link, nullptr, TRUE);
      return result;
    }
    case WM_SETCURSOR:
      SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
      return TRUE;
    // A click is a press and a release both over the link, as for a button.
    case WM_LBUTTONDOWN:
      SetWindowLongPtrA(link, kPressedOffset, 1);
      SetCapture(link);
      if (GetWindowLongA(link, GWL_STYLE) & WS_TABSTOP) SetFocus(link);
      return 0;
    case WM_LBUTTONUP: {
      const bool pressed = GetWindowLongPtrA(link, kPressedOffset) != 0;
      SetWindowLongPtrA(link, kPressedOffset, 0);
      if (GetCapture() == link) ReleaseCapture();
      RECT client;
      GetClientRect(link, &client);
      POINT at = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
      if (pressed && PtInRect(&client, at)) follow(link);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lparam) != link) SetWindowLongPtrA(link, kPressedOffset, 0);
      return 0;
    case WM_GETDLGCODE: {
      // Enter opens the link instead of pressing the dialog's default button.
      const MSG* key = reinterpret_cast<const MSG*>(lparam);
      if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) return DLGC_WANTCHARS | DLGC_WANTMESSAGE;
      return DLGC_WANTCHARS;
    }
    case WM_KEYDOWN:
      if (wparam == VK_RETURN || wparam == VK_SPACE) follow(link);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
      InvalidateRect(link, nullptr, TRUE);
      return 0;
    case WM_NCDESTROY:
      delete address_of(link);
      SetWindowLongPtrA(link, kAddressOffset, 0);
      break;
  }
  return DefWindowProcA(link, message, wparam, lparam);
}

}  // namespace

bool register_hyperlink(HINSTANCE instance) {
  WNDCLASSA window_class = {};
  if (GetClassInfoA(instance, kHyperlinkClass, &window_class)) return true;
  window_class.lpfnWndProc = hyperlink_proc;
  window_class.cbWndExtra = 3 * sizeof(LONG_PTR);
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
  window_class.lpszClassName = kHyperlinkClass;
  return RegisterClassA(&window_class) != 0;
}

void set_hyperlink_address(HWND link, const char* address) {
  delete address_of(link);
  SetWindowLongPtrA(link, kAddressOffset, reinterpret_cast<LONG_PTR>(address ? new std::string(address) : nullptr));
}

}  // namespace vt
