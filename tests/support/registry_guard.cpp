#include "tests/support/registry_guard.h"

#include "base/settings_text.h"
#include "tests/support/win32_driver.h"

namespace vt_test {

namespace {

HKEY root_of(vt::Hive hive) { return hive == vt::Hive::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

bool key_exists(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool key_is_empty(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD subkeys = 1, values = 1;
  LONG status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                 nullptr, nullptr, nullptr);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

}  // namespace

RegistryValueGuard::RegistryValueGuard(vt::Hive hive, const std::string& key_path, const std::string& name)
    : root_(root_of(hive)), key_path_(key_path), name_(name) {
  for (size_t end = 0; end != std::string::npos;) {
    end = key_path_.find('\\', end + 1);
    std::string prefix = key_path_.substr(0, end);
    if (!key_exists(root_, prefix)) missing_keys_.push_back(prefix);
  }
  HKEY key;
  if (RegOpenKeyExA(root_, key_path_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
  DWORD size = 0;
  if (RegQueryValueExA(key, name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
    data_.resize(size);
    existed_ = RegQueryValueExA(key, name_.c_str(), nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
    data_.resize(size);
  }
  RegCloseKey(key);
}

RegistryValueGuard::~RegistryValueGuard() {
  HKEY key;
  if (existed_) {
    if (RegCreateKeyExA(root_, key_path_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
      RegSetValueExA(key, name_.c_str(), 0, type_, data_.data(), static_cast<DWORD>(data_.size()));
      RegCloseKey(key);
    }
  } else if (RegOpenKeyExA(root_, key_path_.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    RegDeleteValueA(key, name_.c_str());
    RegCloseKey(key);
  }
  for (auto it = missing_keys_.rbegin(); it != missing_keys_.rend(); ++it)
    if (key_is_empty(root_, *it)) RegDeleteKeyA(root_, it->c_str());
}

SettingGuard::SettingGuard(vt::Hive hive, const char* section, const char* name)
    : RegistryValueGuard(hive, vt::settings_key_path(section), name) {}

bool read_raw_value(vt::Hive hive, const std::string& key_path, const std::string& name, DWORD* type,
                    std::string* data) {
  HKEY key;
  if (RegOpenKeyExA(root_of(hive), key_path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  bool found = RegQueryValueExA(key, name.c_str(), nullptr, type, nullptr, &size) == ERROR_SUCCESS;
  if (found) {
    data->assign(size, '\0');
    found = RegQueryValueExA(key, name.c_str(), nullptr, type, reinterpret_cast<BYTE*>(&(*data)[0]), &size) ==
            ERROR_SUCCESS;
    data->resize(size);
  }
  RegCloseKey(key);
  return found;
}

void write_raw_value(vt::Hive hive, const std::string& key_path, const std::string& name, DWORD type,
                     const std::string& data) {
  HKEY key;
  if (RegCreateKeyExA(root_of(hive), key_path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                 static_cast<DWORD>(data.size()));
  RegCloseKey(key);
}

void delete_value(vt::Hive hive, const std::string& key_path, const std::string& name) {
  HKEY key;
  if (RegOpenKeyExA(root_of(hive), key_path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
}

bool is_folder(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void remove_tree(const std::string& path) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      std::string child = path + "\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        remove_tree(child);
      } else {
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(child.c_str());
      }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(path.c_str());
}

std::string scratch_folder(const std::string& name) {
  std::string build = windows_path(env("VT_BUILD_DIR"));
  if (build.empty()) {
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    build = length > 0 && length < sizeof temp ? std::string(temp, length - 1) : std::string("C:\\windows\\temp");
  }
  std::string scratch = build + "\\test-scratch";
  CreateDirectoryA(scratch.c_str(), nullptr);
  std::string folder = scratch + "\\" + name;
  remove_tree(folder);
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

}  // namespace vt_test
