#include "win/component_registry_win.h"

#include "win/settings_win.h"

namespace vt {

std::string component_path(const char* name) {
  std::string key = std::string("Software\\Ardentine\\Components\\") + name;
  char path[kSettingTextBytes];
  for (Hive hive : {Hive::Machine, Hive::User}) {
    if (read_registry_text(hive, key.c_str(), "Path", path, "") && path[0] != '\0') return path;
  }
  return "";
}

}  // namespace vt
