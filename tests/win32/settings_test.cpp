// The settings store against Wine's registry. Every value a test changes is put back
// by a guard; folders are made under the build tree's scratch area.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "win/settings_win.h"
#include "tests/support/registry_guard.h"

namespace vt {
namespace {

using vt_test::is_folder;
using vt_test::RegistryValueGuard;
using vt_test::SettingGuard;

const std::string kSettingsKey = settings_key_path(kSectionSettings);

TEST(SettingsStore, IntegersReadTheLeadingNumberOrTheDefault) {
  SettingGuard guard(Hive::User, kSectionSettings, "IntervalSecs");
  vt_test::delete_value(Hive::User, kSettingsKey, "IntervalSecs");
  EXPECT_EQ(30, read_setting(kIntervalSecs));
  write_user_text(kSectionSettings, "IntervalSecs", "abc");
  EXPECT_EQ(0, read_setting(kIntervalSecs));
  write_user_text(kSectionSettings, "IntervalSecs", "");
  EXPECT_EQ(30, read_setting(kIntervalSecs));
  write_user_text(kSectionSettings, "IntervalSecs", " 45 s");
  EXPECT_EQ(45, read_user_int(kSectionSettings, "IntervalSecs", 30));

  // Written as signed decimal REG_SZ with the NUL counted.
  write_user_int(kSectionSettings, "IntervalSecs", -18);
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(vt_test::read_raw_value(Hive::User, kSettingsKey, "IntervalSecs", &type, &data));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(std::string("-18\0", 4), data);
  EXPECT_EQ(-18, read_user_int(kSectionSettings, "IntervalSecs", 30));
}

TEST(SettingsStore, BooleansAreTrueUnlessTheyBeginWithZero) {
  SettingGuard guard(Hive::User, kSectionSettings, "IntervalTone");
  for (const char* text : {"1", "yes", "2"}) {
    write_user_text(kSectionSettings, "IntervalTone", text);
    EXPECT_TRUE(read_setting(kIntervalTone)) << text;
  }
  for (const char* text : {"0", "0abc"}) {
    write_user_text(kSectionSettings, "IntervalTone", text);
    EXPECT_FALSE(read_user_bool(kSectionSettings, "IntervalTone", true)) << text;
  }
  write_user_text(kSectionSettings, "IntervalTone", "");
  EXPECT_TRUE(read_user_bool(kSectionSettings, "IntervalTone", true));
  EXPECT_FALSE(read_user_bool(kSectionSettings, "IntervalTone", false));

  write_setting(kIntervalTone, true);
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(vt_test::read_raw_value(Hive::User, kSettingsKey, "IntervalTone", &type, &data));
  EXPECT_EQ(std::string("1\0", 2), data);
  write_setting(kIntervalTone, false);
  EXPECT_FALSE(read_setting(kIntervalTone));
  EXPECT_TRUE(vt_test::read_raw_value(Hive::User, kSettingsKey, "IntervalTone", &type, &data));
  EXPECT_EQ(std::string("0\0", 2), data);
}

TEST(SettingsStore, TextsLongerThanTheReadLimitReadAsTheDefault) {
  SettingGuard guard(Hive::User, kSectionSettings, "FileNameFormat");
  char buffer[kSettingTextBytes];

  write_user_text(kSectionSettings, "FileNameFormat", std::string(300, 'x').c_str());
  EXPECT_FALSE(read_user_text(kSectionSettings, "FileNameFormat", buffer, "Untitled %autonumber%"));
  EXPECT_STREQ("Untitled %autonumber%", buffer);
  EXPECT_EQ("Untitled %autonumber%", read_setting(kFileNameFormat));

  // 259 characters and the NUL fill the buffer exactly.
  std::string longest(259, 'y');
  write_user_text(kSectionSettings, "FileNameFormat", longest.c_str());
  EXPECT_TRUE(read_user_text(kSectionSettings, "FileNameFormat", buffer, "d"));
  EXPECT_EQ(longest, buffer);
  write_user_text(kSectionSettings, "FileNameFormat", (longest + "z").c_str());
  EXPECT_FALSE(read_user_text(kSectionSettings, "FileNameFormat", buffer, "d"));
  EXPECT_STREQ("d", buffer);

  // Accented text goes through unchanged; a stored empty text is found and empty.
  write_user_text(kSectionSettings, "FileNameFormat", "Réunion %date%");
  EXPECT_EQ("Réunion %date%", read_setting(kFileNameFormat));
  write_user_text(kSectionSettings, "FileNameFormat", "");
  EXPECT_TRUE(read_user_text(kSectionSettings, "FileNameFormat", buffer, "d"));
  EXPECT_STREQ("", buffer);

  // A default longer than the buffer is cut, not overrun.
  vt_test::delete_value(Hive::User, kSettingsKey, "FileNameFormat");
  EXPECT_FALSE(read_user_text(kSectionSettings, "FileNameFormat", buffer, std::string(400, 'q').c_str()));
  EXPECT_EQ(std::string(259, 'q'), buffer);

  // The stored type is not looked at.
  vt_test::write_raw_value(Hive::User, kSettingsKey, "FileNameFormat", REG_EXPAND_SZ, std::string("%x%\0", 4));
  EXPECT_EQ("%x%", read_setting(kFileNameFormat));
}

TEST(SettingsStore, MissingKeysGiveDefaultsAndWritesCreateThem) {
  const char* section = "VtTestSection";
  SettingGuard guard(Hive::Machine, section, "Value");
  char buffer[kSettingTextBytes];
  EXPECT_FALSE(read_machine_text(section, "Value", buffer, "default"));
  EXPECT_STREQ("default", buffer);
  EXPECT_EQ(-1, read_machine_int(section, "Value", -1));
  EXPECT_TRUE(read_machine_bool(section, "Value", true));
  write_machine_int(section, "Value", 2147483647);
  EXPECT_EQ(2147483647, read_machine_int(section, "Value", -1));
  write_machine_bool(section, "Value", false);
  EXPECT_FALSE(read_machine_bool(section, "Value", true));
  EXPECT_FALSE(read_user_text(section, "Value", buffer, "user"));  // the other hive is apart
}

TEST(SettingsStore, TheSameNameInTheTwoHivesIsTwoSettings) {
  SettingGuard machine(Hive::Machine, kSectionSettings, "MainWindowX");
  SettingGuard user(Hive::User, kSectionSettings, "MainWindowX");
  vt_test::delete_value(Hive::User, kSettingsKey, "MainWindowX");
  write_setting(kMainWindowX, 100);
  EXPECT_EQ(100, read_setting(kMainWindowX));
  EXPECT_EQ(516, read_setting(kListWindowX));
  write_setting(kListWindowX, 700);
  EXPECT_EQ(700, read_setting(kListWindowX));
  EXPECT_EQ(100, read_setting(kMainWindowX));
  vt_test::delete_value(Hive::Machine, kSettingsKey, "MainWindowX");
  EXPECT_EQ(382, read_setting(kMainWindowX));
}

// The folders read the shell folders of the prefix; each test points them at scratch.
class SettingsFolders : public ::testing::Test {
 protected:
  RegistryValueGuard app_data_{Hive::User, kShellFoldersKey, "AppData"};
  RegistryValueGuard personal_{Hive::User, kShellFoldersKey, "Personal"};
  RegistryValueGuard common_{Hive::Machine, kShellFoldersKey, "Common AppData"};
  RegistryValueGuard program_files_{Hive::Machine, kWindowsCurrentVersionKey, "ProgramFilesDir"};
  SettingGuard output_{Hive::User, kSectionSettings, "OutputFolder"};
  std::string scratch_ = vt_test::scratch_folder("settings-folders");

  void set(Hive hive, const char* key, const char* name, const std::string& value) {
    write_registry_text(hive, key, name, value.c_str());
  }
};

TEST_F(SettingsFolders, ProgramFolderCreatesAllThreeLevels) {
  set(Hive::Machine, kWindowsCurrentVersionKey, "ProgramFilesDir", scratch_ + "\\Programmes");
  EXPECT_EQ(scratch_ + "\\Programmes\\Ardentine\\Vocatrack", program_folder());
  EXPECT_TRUE(is_folder(scratch_ + "\\Programmes\\Ardentine\\Vocatrack"));
}

TEST_F(SettingsFolders, UserFoldersFollowTheShellFolders) {
  set(Hive::User, kShellFoldersKey, "AppData", scratch_ + "\\Roaming");
  set(Hive::Machine, kShellFoldersKey, "Common AppData", scratch_ + "\\ProgramData");
  set(Hive::User, kShellFoldersKey, "Personal", scratch_ + "\\Documents");
  CreateDirectoryA((scratch_ + "\\Roaming").c_str(), nullptr);
  CreateDirectoryA((scratch_ + "\\Documents").c_str(), nullptr);

  EXPECT_EQ(scratch_ + "\\Roaming", user_app_data_folder());
  EXPECT_EQ(scratch_ + "\\Roaming\\Ardentine\\Vocatrack", per_user_data_folder());
  EXPECT_TRUE(is_folder(scratch_ + "\\Roaming\\Ardentine\\Vocatrack"));
  EXPECT_EQ(scratch_ + "\\Documents\\Vocatrack", default_output_folder());
  EXPECT_TRUE(is_folder(scratch_ + "\\Documents\\Vocatrack"));

  // Without a documents folder, recordings go under the application data.
  vt_test::delete_value(Hive::User, kShellFoldersKey, "Personal");
  EXPECT_EQ(scratch_ + "\\Roaming\\Vocatrack", default_output_folder());
  EXPECT_TRUE(is_folder(scratch_ + "\\Roaming\\Vocatrack"));

  // Without AppData the machine's shared application data stands in; without both, C:\.
  vt_test::delete_value(Hive::User, kShellFoldersKey, "AppData");
  EXPECT_EQ(scratch_ + "\\ProgramData", user_app_data_folder());
  EXPECT_FALSE(is_folder(scratch_ + "\\ProgramData"));  // read, not created
  vt_test::delete_value(Hive::Machine, kShellFoldersKey, "Common AppData");
  EXPECT_EQ("C:\\", user_app_data_folder());
}

TEST_F(SettingsFolders, OutputFolderIsTheStoredOneOrTheDefault) {
  set(Hive::User, kShellFoldersKey, "Personal", scratch_ + "\\Docs");
  CreateDirectoryA((scratch_ + "\\Docs").c_str(), nullptr);
  vt_test::delete_value(Hive::User, kSettingsKey, "OutputFolder");
  EXPECT_EQ(scratch_ + "\\Docs\\Vocatrack", output_folder());

  // A stored folder is taken as it is, but the default is still made on every call.
  vt_test::remove_tree(scratch_ + "\\Docs\\Vocatrack");
  std::string stored = scratch_ + "\\Ailleurs";
  write_setting(kOutputFolder, stored.c_str());
  EXPECT_EQ(stored, output_folder());
  EXPECT_FALSE(is_folder(stored));
  EXPECT_TRUE(is_folder(scratch_ + "\\Docs\\Vocatrack"));
  write_setting(kOutputFolder, "");
  EXPECT_EQ(scratch_ + "\\Docs\\Vocatrack", output_folder());
}

// True when the folder's access list lets everyone read, write and delete, inherited by
// files and subfolders.
bool open_to_everyone(const std::string& path) {
  DWORD size = 0;
  GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
  if (size == 0) return false;
  std::string bytes(size, '\0');
  auto* descriptor = reinterpret_cast<PSECURITY_DESCRIPTOR>(&bytes[0]);
  if (!GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, descriptor, size, &size)) return false;
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  if (!GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) || !present || !acl) return false;
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  bool found = false;
  for (DWORD i = 0; i < acl->AceCount && !found; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (!GetAce(acl, i, reinterpret_cast<void**>(&ace)) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    bool inherits = (ace->Header.AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) ==
                    (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    // Wine keeps the list as the folder's Unix mode and reads it back as every right
    // short of changing the security itself; Windows reads back full access.
    const DWORD needed = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE | FILE_DELETE_CHILD;
    bool all = ace->Mask == GENERIC_ALL || (ace->Mask & needed) == needed;
    found = inherits && all && EqualSid(reinterpret_cast<PSID>(&ace->SidStart), everyone);
  }
  FreeSid(everyone);
  return found;
}

TEST_F(SettingsFolders, SharedDataFolderIsOpenToEveryone) {
  set(Hive::Machine, kShellFoldersKey, "Common AppData", scratch_ + "\\ProgramData");
  CreateDirectoryA((scratch_ + "\\ProgramData").c_str(), nullptr);
  EXPECT_EQ(scratch_ + "\\ProgramData\\Ardentine\\Vocatrack", shared_data_folder());
  ASSERT_TRUE(is_folder(scratch_ + "\\ProgramData\\Ardentine\\Vocatrack"));
  EXPECT_TRUE(open_to_everyone(scratch_ + "\\ProgramData\\Ardentine"));
  EXPECT_TRUE(open_to_everyone(scratch_ + "\\ProgramData\\Ardentine\\Vocatrack"));
  EXPECT_FALSE(open_to_everyone(scratch_ + "\\ProgramData"));
}

TEST(SettingsLogon, EntryIsSetTestedAndRemoved) {
  RegistryValueGuard guard(Hive::Machine, kRunKey, kLogonValueName);
  remove_logon_entry();
  EXPECT_FALSE(logon_entry_exists());
  remove_logon_entry();  // removing twice is harmless

  set_logon_entry("C:\\Program Files\\Ardentine\\Vocatrack\\vocatrack.exe");
  EXPECT_TRUE(logon_entry_exists());
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(vt_test::read_raw_value(Hive::Machine, kRunKey, kLogonValueName, &type, &data));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_STREQ("\"C:\\Program Files\\Ardentine\\Vocatrack\\vocatrack.exe\" -logon", data.c_str());

  // Without a path the entry names this very program file.
  char own[MAX_PATH];
  GetModuleFileNameA(nullptr, own, sizeof own);
  set_logon_entry();
  ASSERT_TRUE(vt_test::read_raw_value(Hive::Machine, kRunKey, kLogonValueName, &type, &data));
  EXPECT_EQ(std::string("\"") + own + "\" -logon", data.c_str());

  remove_logon_entry();
  EXPECT_FALSE(logon_entry_exists());
}

}  // namespace
}  // namespace vt
