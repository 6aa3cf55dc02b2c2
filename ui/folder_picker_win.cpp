#include "ui/folder_picker_win.h"

#include <shlobj.h>

#include "win/handles_win.h"

namespace vt {

namespace {

int CALLBACK browse_callback(HWND browser, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED && start) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, start);
  return 0;
}

}  // namespace

bool pick_folder(HWND owner, const char* title, const std::string& start, std::string* chosen) {
  // The new dialog style needs OLE on this thread.
  ComScope ole(true);
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.lpszTitle = title;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = browse_callback;
  info.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
  LPITEMIDLIST item = SHBrowseForFolderA(&info);
  if (!item) return false;
  char path[MAX_PATH] = {};
  bool picked = SHGetPathFromIDListA(item, path) != FALSE;
  if (picked) *chosen = path;
  CoTaskMemFree(item);
  return picked;
}

}  // namespace vt
