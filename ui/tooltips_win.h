// Tooltips for a window's controls: one tooltip window per owner, one tool per control.
#pragma once
#include <windows.h>

namespace vt {

// The tooltip window of `owner` (destroyed with it).
HWND create_tooltips(HWND owner);
// Shows `text` over `tool`, a child of `owner`.
void add_tooltip(HWND tooltips, HWND owner, HWND tool, const char* text);

}  // namespace vt
