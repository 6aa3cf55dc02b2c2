// Small helpers shared by the pages of the options dialog.
#pragma once
#include <windows.h>

#include <string>

namespace vt {


// Text of a control, at most `limit` - 1 characters.
std::string dialog_item_text(HWND dialog, int id, int limit = 260);
bool is_ticked(HWND dialog, int id);
void set_ticked(HWND dialog, int id, bool ticked);
void enable_items(HWND dialog, const int* ids, int count, bool enabled);

}  // namespace vt
