#include "ui/tooltips_win.h"

#include <commctrl.h>

namespace vt {

Tooltips::~Tooltips() {
  if (tips_) DestroyWindow(tips_);
}

bool Tooltips::create(HWND owner) {
  if (tips_) return true;
  owner_ = owner;
  tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
  return tips_ != nullptr;
}

void Tooltips::add(HWND tool, const char* text) {
  if (!tips_ || !tool) return;
  TOOLINFOA info = {};
  info.cbSize = TTTOOLINFOA_V1_SIZE;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = owner_;
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  info.lpszText = const_cast<char*>(text);
  SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void make_picture_button(HWND button, HANDLE picture, bool is_icon, Tooltips* tooltips, const char* tip) {
  LONG_PTR style = GetWindowLongPtrA(button, GWL_STYLE) & ~static_cast<LONG_PTR>(BS_ICON | BS_BITMAP);
  SetWindowLongPtrA(button, GWL_STYLE, style | (is_icon ? BS_ICON : BS_BITMAP));
  SendMessageA(button, BM_SETIMAGE, is_icon ? IMAGE_ICON : IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
  if (tooltips && tip) tooltips->add(button, tip);
}

}  // namespace vt
