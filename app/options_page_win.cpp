#include "app/options_page_win.h"

#include <commctrl.h>
#include <prsht.h>

#include <vector>

namespace vt {

void refuse_apply(HWND page, const char* text, const char* caption) {
  // The refusing page may not be the one in front: bring it there before the box,
  // which it owns, so that the user sees what to correct.
  HWND sheet = GetParent(page);
  int index = static_cast<int>(SendMessageA(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
  if (index >= 0) SendMessageA(sheet, PSM_SETCURSEL, index, 0);
  MessageBoxA(page, text, caption, MB_OK | MB_ICONERROR);
  SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_INVALID_NOCHANGEPAGE);
}

void accept_apply(HWND page) { SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR); }

std::string dialog_item_text(HWND dialog, int id, int limit) {
  std::vector<char> text(limit > 0 ? limit : 1, '\0');
  GetDlgItemTextA(dialog, id, text.data(), static_cast<int>(text.size()));
  return text.data();
}

bool is_ticked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void set_ticked(HWND dialog, int id, bool ticked) { CheckDlgButton(dialog, id, ticked ? BST_CHECKED : BST_UNCHECKED); }

void enable_items(HWND dialog, const int* ids, int count, bool enabled) {
  for (int i = 0; i < count; ++i) EnableWindow(GetDlgItem(dialog, ids[i]), enabled);
}

}  // namespace vt
