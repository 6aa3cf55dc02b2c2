// The about window (LAbout): the program's name and version, and links to its web
// site.
#pragma once
#include <windows.h>

namespace vt {

extern const char kProgramVersion[];  // "2.01"

// Runs the window modally over `owner`.
void show_about_window(HWND owner);

}  // namespace vt
