// The tag editor of the recordings list (template LAudioTagDataEditor).
#pragma once
#include <windows.h>

#include <string>

namespace vt {

// Refuses files other than ".wav" and ".mp3" with a message; otherwise reads the
// file's tags, shows the editor modally over `owner` and on OK writes them. A file
// whose tags cannot be read whole is not edited, and a save that fails is reported;
// the file is then unchanged. True when the tags were written.
bool edit_tags(HWND owner, const std::string& path);

}  // namespace vt
