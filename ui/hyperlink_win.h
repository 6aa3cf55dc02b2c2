// LHyperlink: a static text drawn in blue and underlined, with the hand pointer, that
// opens its web address when clicked (or when Enter or Space is pressed while it
// has the focus) and tells its parent with WM_COMMAND and STN_CLICKED.
#pragma once
#include <windows.h>

namespace vt {

extern const char kHyperlinkClass[];  // "LHyperlink"
constexpr COLORREF kHyperlinkColour = RGB(0, 0, 255);

bool register_hyperlink(HINSTANCE instance);
// The address the link opens; without one a click only reaches the parent.
void set_hyperlink_address(HWND link, const char* address);

}  // namespace vt
