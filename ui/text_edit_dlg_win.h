// The text-entry dialog (template LTextEditDlg): a prompt, one line of text, OK and Cancel.
#pragma once
#include <windows.h>

#include <string>

namespace vt {

// Shows the dialog with `text` in the box; after OK `text` holds what was typed
// (at most 259 characters) and the result is true. Cancel leaves `text` unchanged.
bool ask_for_text(HWND owner, const char* prompt, std::string* text);

}  // namespace vt
