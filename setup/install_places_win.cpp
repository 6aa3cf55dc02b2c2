#include "setup/install_places_win.h"

#include <windows.h>
#include <shlobj.h>
#include <objidl.h>

#include "base/paths.h"
#include "base/settings_names.h"
#include "base/settings_text.h"
#include "win/handles_win.h"
#include "win/settings_win.h"

namespace vt {
namespace {

std::string shell_folder(Hive hive, const char* name) {
  char text[kSettingTextBytes];
  if (!read_registry_text(hive, kShellFoldersKey, name, text, "")) return std::string();
  return text;
}

bool is_folder(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Releases a COM interface when the scope ends.
template <class T>
class ComPointer {
 public:
  ~ComPointer() {
    if (pointer) pointer->Release();
  }
  T* pointer = nullptr;
};

}  // namespace

std::string program_files_folder() {
  char text[kSettingTextBytes];
  read_registry_text(Hive::Machine, kWindowsCurrentVersionKey, "ProgramFilesDir", text, "C:\\Program Files");
  return text;
}

std::string installation_folder() { return join_path(join_path(program_files_folder(), "Ardentine"), "Vocatrack"); }

std::string encoder_component_folder() {
  return join_path(join_path(join_path(program_files_folder(), "Ardentine"), "Components"), kEncoderComponent);
}

std::string shortcut_folder() {
  std::string programs = shell_folder(Hive::Machine, "Common Programs");
  if (programs.empty()) programs = shell_folder(Hive::User, "Programs");
  if (programs.empty()) return std::string();
  return join_path(programs, kProductName);
}

std::string desktop_folder() {
  std::string desktop = shell_folder(Hive::Machine, "Common Desktop");
  if (desktop.empty()) desktop = shell_folder(Hive::User, "Desktop");
  return desktop.empty() ? "c:\\Windows\\Desktop" : desktop;
}

bool create_folder_path(const std::string& folder) {
  // Each level from the drive down; levels that exist already are passed over.
  for (size_t at = folder.find_first_of("\\/", 3); at != std::string::npos; at = folder.find_first_of("\\/", at + 1))
    CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  return is_folder(folder);
}

bool create_shortcut(const std::string& link_path, const std::string& target, const std::string& description) {
  ComScope com;
  ComPointer<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link.pointer))))
    return false;
  link.pointer->SetPath(target.c_str());
  link.pointer->SetWorkingDirectory(folder_of(target).c_str());
  link.pointer->SetDescription(description.c_str());
  ComPointer<IPersistFile> file;
  if (FAILED(link.pointer->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.pointer)))) return false;
  WCHAR wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, link_path.c_str(), -1, wide, MAX_PATH)) return false;
  return SUCCEEDED(file.pointer->Save(wide, TRUE));
}

}  // namespace vt
