// The settings store: text values in the registry, read with defaults and written
// straight through (no cache), plus the folders and the log-on entry derived from it.
// Callable from any thread; the registry is the only shared state.
#pragma once
#include <string>

#include "base/settings_names.h"
#include "base/settings_section.h"
#include "base/settings_text.h"

namespace vt {

// Any key of either hive. `buffer` holds kSettingTextBytes; on any failure (missing key
// or value, value longer than the buffer) it receives the default, cut to fit, and the
// result is false.
bool read_registry_text(Hive hive, const char* key_path, const char* name, char* buffer, const char* default_text);
// Creates the key if needed; failures are silent.
void write_registry_text(Hive hive, const char* key_path, const char* name, const char* text);

// The twelve operations on the product key's sections.
bool read_machine_text(const char* section, const char* name, char* buffer, const char* default_text);
bool read_user_text(const char* section, const char* name, char* buffer, const char* default_text);
int read_machine_int(const char* section, const char* name, int default_value);
int read_user_int(const char* section, const char* name, int default_value);
bool read_machine_bool(const char* section, const char* name, bool default_value);
bool read_user_bool(const char* section, const char* name, bool default_value);
void write_machine_text(const char* section, const char* name, const char* text);
void write_user_text(const char* section, const char* name, const char* text);
void write_machine_int(const char* section, const char* name, int value);
void write_user_int(const char* section, const char* name, int value);
void write_machine_bool(const char* section, const char* name, bool value);
void write_user_bool(const char* section, const char* name, bool value);

// The same through the setting tables of settings_names.h.
bool read_setting(const BoolSetting& setting);
int read_setting(const IntSetting& setting);
std::string read_setting(const TextSetting& setting);
void write_setting(const BoolSetting& setting, bool value);
void write_setting(const IntSetting& setting, int value);
void write_setting(const TextSetting& setting, const char* value);

// Folders, at most 259 characters, without a trailing backslash of their own.
std::string program_folder();         // Program Files\Ardentine\Vocatrack, created
std::string user_app_data_folder();   // the user's AppData shell folder, not created
std::string per_user_data_folder();   // <user app data>\Ardentine\Vocatrack, created
std::string shared_data_folder();     // <Common AppData>\Ardentine\Vocatrack, created, open to everyone
std::string default_output_folder();  // <documents>\Vocatrack, created
std::string output_folder();          // OutputFolder, or the default one when unset or empty
// Gives the Everyone group full, inherited access to a folder; failures are ignored.
void open_folder_to_everyone(const char* path);

// Start at log-on: the machine Run key's value VocatrackRun.
bool logon_entry_exists();
// Writes "\"<program>\" -logon"; a null path stands for this program's own file.
void set_logon_entry(const char* program_path = nullptr);
void remove_logon_entry();

// One section of one hive, for the records that read and write through SettingsSection.
class RegistrySection : public SettingsSection {
 public:
  RegistrySection(Hive hive, const char* section) : hive_(hive), section_(section) {}
  bool read_bool(const char* name, bool fallback) override {
    return hive_ == Hive::Machine ? read_machine_bool(section_, name, fallback) : read_user_bool(section_, name, fallback);
  }
  int32_t read_int(const char* name, int32_t fallback) override {
    return hive_ == Hive::Machine ? read_machine_int(section_, name, fallback) : read_user_int(section_, name, fallback);
  }
  std::string read_text(const char* name, const char* fallback) override {
    char text[kSettingTextBytes];
    hive_ == Hive::Machine ? read_machine_text(section_, name, text, fallback)
                           : read_user_text(section_, name, text, fallback);
    return text;
  }
  void write_bool(const char* name, bool value) override {
    hive_ == Hive::Machine ? write_machine_bool(section_, name, value) : write_user_bool(section_, name, value);
  }
  void write_int(const char* name, int32_t value) override {
    hive_ == Hive::Machine ? write_machine_int(section_, name, value) : write_user_int(section_, name, value);
  }
  void write_text(const char* name, const std::string& value) override {
    hive_ == Hive::Machine ? write_machine_text(section_, name, value.c_str())
                           : write_user_text(section_, name, value.c_str());
  }

 private:
  Hive hive_;
  const char* section_;
};

}  // namespace vt
