#include "ui/tooltips_win.h"

#include <commctrl.h>

namespace vt {

HWND create_tooltips(HWND owner) {
  return CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void add_tooltip(HWND tooltips, HWND owner, HWND tool, const char* text) {
  if (!tooltips || !tool) return;
  TOOLINFOA info = {};
  // The first version of the record: every common-controls version takes it.
  info.cbSize = TTTOOLINFOA_V1_SIZE;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = owner;
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  info.lpszText = const_cast<char*>(text);
  SendMessageA(tooltips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

Tooltips::~Tooltips() { destroy(); }

void Tooltips::destroy() {
  if (tips_) DestroyWindow(tips_);
  tips_ = nullptr;
}

bool Tooltips::create(HWND owner) {
  if (tips_) return true;
  owner_ = owner;
  tips_ = create_tooltips(owner);
  return tips_ != nullptr;
}

void Tooltips::add(HWND tool, const char* text) { add_tooltip(tips_, owner_, tool, text); }

void make_picture_button(HWND button, HANDLE picture, bool is_icon, Tooltips* tooltips, const char* tip) {
  LONG_PTR style = GetWindowLongPtrA(button, GWL_STYLE) & ~static_cast<LONG_PTR>(BS_ICON | BS_BITMAP);
  SetWindowLongPtrA(button, GWL_STYLE, style | (is_icon ? BS_ICON : BS_BITMAP));
  SendMessageA(button, BM_SETIMAGE, is_icon ? IMAGE_ICON : IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
  if (tooltips && tip) tooltips->add(button, tip);
}

}  // namespace vt
