#include "win/settings_win.h"

#include <windows.h>

#include <cstring>

#include "base/paths.h"
#include "win/handles_win.h"

namespace vt {

namespace {

HKEY root_of(Hive hive) { return hive == Hive::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

void copy_default(char* buffer, const char* default_text) {
  const char* text = default_text ? default_text : "";
  size_t length = std::strlen(text);
  if (length > kSettingTextBytes - 1) length = kSettingTextBytes - 1;
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
}

bool read_text(Hive hive, const char* section, const char* name, char* buffer, const char* default_text) {
  return read_registry_text(hive, settings_key_path(section).c_str(), name, buffer, default_text);
}

void write_text(Hive hive, const char* section, const char* name, const char* text) {
  write_registry_text(hive, settings_key_path(section).c_str(), name, text);
}

int read_int(Hive hive, const char* section, const char* name, int default_value) {
  char text[kSettingTextBytes];
  read_text(hive, section, name, text, "");
  return parse_setting_int(text, default_value);
}

bool read_bool(Hive hive, const char* section, const char* name, bool default_value) {
  char text[kSettingTextBytes];
  read_text(hive, section, name, text, "");
  return parse_setting_bool(text, default_value);
}

std::string read_string(Hive hive, const char* key_path, const char* name, const char* default_text) {
  char text[kSettingTextBytes];
  read_registry_text(hive, key_path, name, text, default_text);
  return text;
}

// A shell folder path, or empty when the value is missing or empty.
std::string shell_folder(Hive hive, const char* name) {
  char text[kSettingTextBytes];
  if (!read_registry_text(hive, kShellFoldersKey, name, text, "")) return std::string();
  return text;
}

std::string common_app_data_folder() {
  std::string folder = shell_folder(Hive::Machine, "Common AppData");
  return folder.empty() ? "C:\\" : folder;
}

std::string create_child(const std::string& parent, const char* name) {
  std::string folder = join_path(parent, name);
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

}  // namespace

bool read_registry_text(Hive hive, const char* key_path, const char* name, char* buffer, const char* default_text) {
  OwnedKey key;
  if (RegOpenKeyExA(root_of(hive), key_path, 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS) {
    copy_default(buffer, default_text);
    return false;
  }
  // The stored type is ignored: whatever bytes fit are taken as text.
  DWORD size = kSettingTextBytes;
  LONG status = RegQueryValueExA(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  if (status != ERROR_SUCCESS) {
    // Also a value longer than the buffer: a cut value could be a wrong one.
    copy_default(buffer, default_text);
    return false;
  }
  buffer[size < kSettingTextBytes - 1 ? size : kSettingTextBytes - 1] = '\0';
  return true;
}

void write_registry_text(Hive hive, const char* key_path, const char* name, const char* text) {
  OwnedKey key;
  if (RegCreateKeyExA(root_of(hive), key_path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key.out(),
                      nullptr) != ERROR_SUCCESS)
    return;
  const char* value = text ? text : "";
  RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                 static_cast<DWORD>(std::strlen(value) + 1));
}

bool read_machine_text(const char* section, const char* name, char* buffer, const char* default_text) {
  return read_text(Hive::Machine, section, name, buffer, default_text);
}
bool read_user_text(const char* section, const char* name, char* buffer, const char* default_text) {
  return read_text(Hive::User, section, name, buffer, default_text);
}
int read_machine_int(const char* section, const char* name, int default_value) {
  return read_int(Hive::Machine, section, name, default_value);
}
int read_user_int(const char* section, const char* name, int default_value) {
  return read_int(Hive::User, section, name, default_value);
}
bool read_machine_bool(const char* section, const char* name, bool default_value) {
  return read_bool(Hive::Machine, section, name, default_value);
}
bool read_user_bool(const char* section, const char* name, bool default_value) {
  return read_bool(Hive::User, section, name, default_value);
}
void write_machine_text(const char* section, const char* name, const char* text) {
  write_text(Hive::Machine, section, name, text);
}
void write_user_text(const char* section, const char* name, const char* text) {
  write_text(Hive::User, section, name, text);
}
void write_machine_int(const char* section, const char* name, int value) {
  write_text(Hive::Machine, section, name, format_setting_int(value).c_str());
}
void write_user_int(const char* section, const char* name, int value) {
  write_text(Hive::User, section, name, format_setting_int(value).c_str());
}
void write_machine_bool(const char* section, const char* name, bool value) {
  write_text(Hive::Machine, section, name, format_setting_bool(value));
}
void write_user_bool(const char* section, const char* name, bool value) {
  write_text(Hive::User, section, name, format_setting_bool(value));
}

bool read_setting(const BoolSetting& setting) {
  return read_bool(setting.hive, setting.section, setting.name, setting.default_value);
}
int read_setting(const IntSetting& setting) {
  return read_int(setting.hive, setting.section, setting.name, setting.default_value);
}
std::string read_setting(const TextSetting& setting) {
  return read_string(setting.hive, settings_key_path(setting.section).c_str(), setting.name, setting.default_value);
}
void write_setting(const BoolSetting& setting, bool value) {
  write_text(setting.hive, setting.section, setting.name, format_setting_bool(value));
}
void write_setting(const IntSetting& setting, int value) {
  write_text(setting.hive, setting.section, setting.name, format_setting_int(value).c_str());
}
void write_setting(const TextSetting& setting, const char* value) {
  write_text(setting.hive, setting.section, setting.name, value);
}

std::string program_folder() {
  std::string base = read_string(Hive::Machine, kWindowsCurrentVersionKey, "ProgramFilesDir", "C:\\Program Files");
  CreateDirectoryA(base.c_str(), nullptr);
  return create_child(create_child(base, "Ardentine"), "Vocatrack");
}

std::string user_app_data_folder() {
  std::string folder = shell_folder(Hive::User, "AppData");
  return folder.empty() ? common_app_data_folder() : folder;
}

std::string per_user_data_folder() {
  return create_child(create_child(user_app_data_folder(), "Ardentine"), "Vocatrack");
}

// The delivery list lives here and is written by every user's copy of the program,
// hence the access entry for everyone on both levels.
std::string shared_data_folder() {
  std::string maker = create_child(common_app_data_folder(), "Ardentine");
  open_folder_to_everyone(maker.c_str());
  std::string folder = create_child(maker, "Vocatrack");
  open_folder_to_everyone(folder.c_str());
  return folder;
}

std::string default_output_folder() {
  std::string documents = shell_folder(Hive::User, "Personal");
  if (documents.empty()) documents = user_app_data_folder();
  return create_child(documents, "Vocatrack");
}

// The default is created on every call; a stored folder is taken as it is. A stored
// empty text counts as unset: recordings would otherwise land in whatever folder is
// current, which for a scheduled start is the system folder.
std::string output_folder() {
  std::string fallback = default_output_folder();
  std::string stored = read_setting(kOutputFolder);
  return stored.empty() ? fallback : stored;
}

void open_folder_to_everyone(const char* path) {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return;
  DWORD acl_words[64];  // room for the header and one entry with a one-part identifier
  PACL acl = reinterpret_cast<PACL>(acl_words);
  DWORD acl_size = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(everyone);
  SECURITY_DESCRIPTOR descriptor;
  if (acl_size <= sizeof acl_words && InitializeAcl(acl, acl_size, ACL_REVISION) &&
      AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, GENERIC_ALL, everyone) &&
      InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
      SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
    SetFileSecurityA(path, DACL_SECURITY_INFORMATION, &descriptor);
  }
  FreeSid(everyone);
}

bool logon_entry_exists() {
  OwnedKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS) return false;
  return RegQueryValueExA(key.get(), kLogonValueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// The full path of the program file rather than the command line's first word, which
// may be relative to a folder that is not current at log-on.
void set_logon_entry(const char* program_path) {
  char own_path[MAX_PATH] = "";
  if (!program_path) {
    DWORD length = GetModuleFileNameA(nullptr, own_path, sizeof own_path);
    if (length == 0 || length >= sizeof own_path) return;
    program_path = own_path;
  }
  std::string command = std::string("\"") + program_path + "\" -logon";
  write_registry_text(Hive::Machine, kRunKey, kLogonValueName, command.c_str());
}

void remove_logon_entry() {
  OwnedKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, key.out()) != ERROR_SUCCESS) return;
  RegDeleteValueA(key.get(), kLogonValueName);
}

}  // namespace vt
