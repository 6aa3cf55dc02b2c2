#include "setup/component_path_win.h"

#include <windows.h>

namespace vt {

std::string component_path(const char* name) {
  std::string key = std::string("Software\\Ardentine\\Components\\") + name;
  for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    char path[MAX_PATH] = {};
    DWORD size = sizeof path;
    if (RegGetValueA(hive, key.c_str(), "Path", RRF_RT_REG_SZ, nullptr, path, &size) == ERROR_SUCCESS &&
        path[0] != '\0') {
      return path;
    }
  }
  return "";
}

}  // namespace vt
