#include "setup/uninstaller_win.h"

#include <cstring>

#include "base/paths.h"
#include "base/settings_names.h"
#include "setup/install_places_win.h"
#include "setup/payload_table.h"
#include "win/handles_win.h"
#include "win/settings_win.h"

namespace vt {
namespace {

std::string own_path() {
  char path[MAX_PATH] = "";
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return length && length < sizeof path ? path : "";
}

std::string temp_folder() {
  char temp[MAX_PATH + 1] = "";
  DWORD length = GetTempPathA(sizeof temp, temp);
  return length && length < sizeof temp ? temp : "";
}

bool same_path(const std::string& a, const std::string& b) {
  char full_a[MAX_PATH] = "", full_b[MAX_PATH] = "";
  GetFullPathNameA(a.c_str(), MAX_PATH, full_a, nullptr);
  GetFullPathNameA(b.c_str(), MAX_PATH, full_b, nullptr);
  return lstrcmpiA(full_a, full_b) == 0;
}

// Copies this program to <temp>\uninst.exe and starts it with -u.
bool relaunch_from_temp() {
  std::string self = own_path();
  std::string folder = temp_folder();
  if (self.empty() || folder.empty()) return false;
  std::string copy = join_path(folder, kUninstallerName);
  if (same_path(self, copy) || !CopyFileA(self.c_str(), copy.c_str(), FALSE)) return false;
  std::string line = "\"" + copy + "\" -u";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(copy.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    DeleteFileA(copy.c_str());
    return false;
  }
  ProcessHandles owned(info);
  return true;
}

void remove_folder_if_empty(const std::string& folder) { RemoveDirectoryA(folder.c_str()); }

// The pages' folder is the installer's own: its pages go, and it goes when nothing
// else was put there.
void remove_help_pages(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(join_path(folder, "*.htm").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA(join_path(folder, found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  remove_folder_if_empty(folder);
}

void delete_value(HKEY root, const char* key_path, const char* name) {
  OwnedKey key;
  if (RegOpenKeyExA(root, key_path, 0, KEY_SET_VALUE, key.out()) != ERROR_SUCCESS) return;
  RegDeleteValueA(key.get(), name);
}

// The shell's lightweight utility library, loaded when needed; its tree deletions
// are skipped when it is missing.
class RegistryTrees {
 public:
  RegistryTrees() : library_("shlwapi.dll") {
    delete_tree_ = library_.function<DeleteKey>("SHDeleteKeyA");
    delete_empty_ = library_.function<DeleteKey>("SHDeleteEmptyKeyA");
  }
  void delete_tree(HKEY root, const char* key) {
    if (delete_tree_) delete_tree_(root, key);
  }
  void delete_if_empty(HKEY root, const char* key) {
    if (delete_empty_) delete_empty_(root, key);
  }

 private:
  using DeleteKey = DWORD(WINAPI*)(HKEY, LPCSTR);
  OwnedLibrary library_;
  DeleteKey delete_tree_ = nullptr;
  DeleteKey delete_empty_ = nullptr;
};

}  // namespace

void remove_installation() {
  RegistryTrees trees;
  delete_value(HKEY_LOCAL_MACHINE, settings_key_path(kSectionSettings).c_str(), kRunTemplateValue);
  delete_value(HKEY_LOCAL_MACHINE, kRunKey, kLogonValueName);
  trees.delete_tree(HKEY_LOCAL_MACHINE, kUninstallKey);

  std::string shortcuts = shortcut_folder();
  if (!shortcuts.empty()) {
    DeleteFileA(join_path(shortcuts, kProgramShortcutName).c_str());
    DeleteFileA(join_path(shortcuts, kHelpShortcutName).c_str());
    remove_folder_if_empty(shortcuts);
  }
  DeleteFileA(join_path(desktop_folder(), kProgramShortcutName).c_str());

  // Only the files the installer made: recordings or anything else a user keeps in
  // the installation folder stay, and the folder with them. The encoder component is
  // shared with the maker's other programs, which find it through its entry, and the
  // data folders hold the user's pending deliveries and chosen format: all of it stays.
  std::string folder = installation_folder();
  for (const PayloadRow& row : kPayloadRows) {
    if (row.flags & kPayloadPageBundle)
      remove_help_pages(join_path(folder, row.file_name));
    else
      DeleteFileA(join_path(folder, row.file_name).c_str());
  }
  DeleteFileA(join_path(folder, kUninstallerName).c_str());
  remove_folder_if_empty(folder);
  remove_folder_if_empty(folder_of(folder));  // <Program Files>\Ardentine

  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    trees.delete_tree(root, "Software\\Ardentine\\Vocatrack");
    trees.delete_if_empty(root, "Software\\Ardentine");
  }
}

void run_uninstaller(const std::vector<std::string>& args, HWND owner) {
  if (args.size() < 2 && relaunch_from_temp()) return;
  if (MessageBoxA(owner, "Etes-vous sûr de vouloir désinstaller?", "Désinstaller Vocatrack Sound Recorder",
                  MB_YESNO | MB_ICONERROR) != IDYES)
    return;
  remove_installation();
  // The copy in the temporary folder cannot delete itself while it runs: it goes at
  // the next restart.
  std::string self = own_path();
  if (!self.empty() && same_path(folder_of(self), folder_of(join_path(temp_folder(), kUninstallerName))))
    MoveFileExA(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace vt
