// Registry values and scratch folders that tests change and put back.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "base/settings_names.h"

namespace vt_test {

// Remembers one registry value (or its absence) and restores it when destroyed; keys
// that did not exist before are removed again if they are left empty.
class RegistryValueGuard {
 public:
  RegistryValueGuard(vt::Hive hive, const std::string& key_path, const std::string& name);
  ~RegistryValueGuard();
  RegistryValueGuard(const RegistryValueGuard&) = delete;
  RegistryValueGuard& operator=(const RegistryValueGuard&) = delete;

 private:
  HKEY root_;
  std::string key_path_, name_;
  bool existed_ = false;
  DWORD type_ = REG_NONE;
  std::vector<BYTE> data_;
  std::vector<std::string> missing_keys_;  // deepest last
};

// Guard for a value of a product section ("Software\Ardentine\Vocatrack\<section>").
class SettingGuard : public RegistryValueGuard {
 public:
  SettingGuard(vt::Hive hive, const char* section, const char* name);
};

// Raw access for checking what was stored and storing what the program never writes.
bool read_raw_value(vt::Hive hive, const std::string& key_path, const std::string& name, DWORD* type,
                    std::string* data);
void write_raw_value(vt::Hive hive, const std::string& key_path, const std::string& name, DWORD type,
                     const std::string& data);
void delete_value(vt::Hive hive, const std::string& key_path, const std::string& name);

// A fresh empty folder <build tree>\test-scratch\<name> as a Windows path (Z:\...).
std::string scratch_folder(const std::string& name);
// Deletes a folder and everything in it.
void remove_tree(const std::string& path);
bool is_folder(const std::string& path);

}  // namespace vt_test
