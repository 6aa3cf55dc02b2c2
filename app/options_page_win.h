// Small helpers shared by the pages of the options dialog.
#pragma once
#include <windows.h>

#include <string>

namespace vt {

// Refuses the sheet's OK from `page`: the sheet shows `page`, a message box with the
// error icon (caption null: the system's own) tells why, and the page answers
// PSN_APPLY so that the sheet stays open on it.
void refuse_apply(HWND page, const char* text, const char* caption);
// Answers PSN_APPLY with "accepted".
void accept_apply(HWND page);

// Text of a control, at most `limit` - 1 characters.
std::string dialog_item_text(HWND dialog, int id, int limit = 260);
bool is_ticked(HWND dialog, int id);
void set_ticked(HWND dialog, int id, bool ticked);
void enable_items(HWND dialog, const int* ids, int count, bool enabled);

}  // namespace vt
