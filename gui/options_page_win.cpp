#include "gui/options_page_win.h"

#include <commctrl.h>
#include <prsht.h>

#include <vector>

namespace vt {

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
