// The shell's folder browser (new style, folders of the file system only).
#pragma once
#include <windows.h>

#include <string>

namespace vt {

// Shows the browser over `owner` with `title`, on `start` when given; true with the
// folder in `chosen` when the user picked one.
bool pick_folder(HWND owner, const char* title, const std::string& start, std::string* chosen);

}  // namespace vt
