// The one way the program opens its help (F1, the "Aide" button and menus, the option
// pages' help button): app.hlp through WinHelp where the system still has a help
// viewer, otherwise the HTML page of the same topic in the default browser.
#pragma once
#include <windows.h>

#include <string>

#include "ui/help_contexts.h"

namespace vt {

// False when the system has no WinHelp viewer (see help_win.cpp).
bool winhelp_available();

// Opens `context` (kHelpContents: the contents) of the help beside the program file.
void open_help(HWND owner, int context);

// The same with the help files in `folder`; false when nothing could be opened (the
// user has then been told).
bool open_help_in(HWND owner, const std::string& folder, int context);

// The HTML page for `context` under `folder`: the contents page for an unknown number.
std::string help_page_path(const std::string& folder, int context);

}  // namespace vt
