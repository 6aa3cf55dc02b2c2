// The self-installer and the uninstaller, each case in a throw-away Wine prefix of its
// own (scripts/fresh-prefix-run.sh): an installer file is made from the built program,
// help file and encoder, installed, checked byte for byte and through the registry
// and the shell links, used to record, and uninstalled.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gui/setup_roles_win.h"
#include "gui/setup_wizard_res.h"
#include "setup/installer_file.h"
#include "tests/support/linux_process.h"
#include "tests/support/message_box_answer.h"
#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"
#include "win/handles_win.h"

namespace {

using vt_test::MessageBoxAnswer;
using vt_test::wait_until;

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vocatrack";
const char kProgramFolder[] = "C:\\Program Files\\Ardentine\\Vocatrack";
const char kComponentFile[] = "C:\\Program Files\\Ardentine\\Components\\mp3el\\mp3enc.exe";
const char kCorruptCaption[] = "Erreur d’installation";

std::string built(const std::string& relative) { return vt_test::windows_path(vt_test::build_dir() + "/" + relative); }

std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string registry_text(vt::Hive hive, const std::string& key, const std::string& name) {
  DWORD type = 0;
  std::string data;
  if (!vt_test::read_raw_value(hive, key, name, &type, &data)) return "<missing>";
  while (!data.empty() && data.back() == '\0') data.pop_back();
  return data;
}

bool key_exists(HKEY root, const char* path) {
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::string shell_folder(HKEY root, const char* name) {
  return registry_text(root == HKEY_LOCAL_MACHINE ? vt::Hive::Machine : vt::Hive::User,
                       "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name);
}

// Where the shell link at `link` points, read back through the shell.
std::string link_target(const std::string& link) {
  vt::ComScope com;
  IShellLinkA* shell_link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&shell_link))))
    return "<no shell link object>";
  std::string target = "<unreadable>";
  IPersistFile* file = nullptr;
  WCHAR wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
  if (SUCCEEDED(shell_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    if (SUCCEEDED(file->Load(wide, STGM_READ))) {
      char path[MAX_PATH] = "";
      if (SUCCEEDED(shell_link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH))) target = path;
    }
    file->Release();
  }
  shell_link->Release();
  return target;
}

std::string first_wav(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*.wav").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return "";
  FindClose(find);
  return folder + "\\" + entry.cFileName;
}

// The HTML help pages made beside the program (scripts/make_help.py), by name.
std::vector<std::string> htm_files(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*.htm").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(entry.cFileName);
  while (FindNextFileA(find, &entry));
  FindClose(find);
  return names;
}

std::string le32(uint32_t value) {
  std::string bytes;
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(value >> shift);
  return bytes;
}

class InstallTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = vt_test::scratch_folder(std::string("install-") + testing::UnitTest::GetInstance()->current_test_info()->name());
    image_ = read_bytes(built("app/vocatrack.exe"));
    help_ = read_bytes(built("app/app.hlp"));
    encoder_ = read_bytes(built("mp3enc/mp3enc.exe"));
    ASSERT_FALSE(image_.empty());
    ASSERT_FALSE(help_.empty());
    ASSERT_FALSE(encoder_.empty());
    setup_ = folder_ + "\\vocatrack-setup.exe";
    std::string error;
    ASSERT_TRUE(vt::write_installer({built("app/vocatrack.exe"), built("app/app.hlp"), built("mp3enc/mp3enc.exe"),
                                     built("app/aide.pak")},
                                    setup_, &error))
        << error;
    // The audio set-up wizard of a first run stays away.
    vt_test::write_raw_value(vt::Hive::User, "Software\\Ardentine\\Vocatrack\\Settings", "InstallWizRun", REG_SZ, "1");
  }
  void TearDown() override {
    for (HANDLE process : processes_) {
      if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) TerminateProcess(process, 1);
      WaitForSingleObject(process, 10000);
      CloseHandle(process);
    }
    SetEnvironmentVariableA("LQUIET", nullptr);
  }

  // Runs the installer file itself, as a user would, with LQUIET=1 (inherited).
  void install_quietly() {
    SetEnvironmentVariableA("LQUIET", "1");
    HANDLE installer = start(setup_, "");
    SetEnvironmentVariableA("LQUIET", nullptr);
    ASSERT_NE(nullptr, installer);
    EXPECT_TRUE(wait_until([&] { return WaitForSingleObject(installer, 0) == WAIT_OBJECT_0; }, 120000))
        << "the installer did not end";
  }

  // The running copy of the program, kept to be ended by its id.
  HWND running_program(int timeout_ms) {
    HWND window = vt_test::find_window("#32770", "Vocatrack Sound Recorder", timeout_ms);
    if (window) {
      DWORD id = 0;
      GetWindowThreadProcessId(window, &id);
      if (HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id)) processes_.push_back(process);
    }
    return window;
  }

  HANDLE start(const std::string& program, const std::string& arguments) {
    std::string line = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      ADD_FAILURE() << "cannot start " << line;
      return nullptr;
    }
    CloseHandle(info.hThread);
    processes_.push_back(info.hProcess);
    return info.hProcess;
  }

  std::string installed(const char* name) { return std::string(kProgramFolder) + "\\" + name; }

  std::string folder_, setup_, image_, help_, encoder_;
  std::vector<HANDLE> processes_;
};

TEST_F(InstallTest, QuietInstallRecordsAndUninstallsLeavingTheUsersFilesAndTheSharedEncoder) {
  install_quietly();

  // The payload, byte for byte; the program and the uninstaller carry their markers.
  // The program runs with its user's rights; the uninstaller, like the installer,
  // asks for an administrator's in its manifest.
  // Compared whole: a diff of two program images would not fit in memory.
  EXPECT_TRUE(image_ + le32(0) == read_bytes(installed("vocatrack.exe")));
  const std::string invoker = "<requestedExecutionLevel level=\"asInvoker\"            uiAccess";
  const std::string administrator = "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess";
  std::string uninstaller_image = image_;
  const size_t level = uninstaller_image.find(invoker);
  ASSERT_NE(std::string::npos, level);
  uninstaller_image.replace(level, invoker.size(), administrator);
  EXPECT_TRUE(uninstaller_image + le32(0xF0F00F0F) == read_bytes(installed("uninst.exe")));
  EXPECT_EQ(help_, read_bytes(installed("app.hlp")));
  // The help's HTML pages, each as made, in their folder.
  const std::vector<std::string> pages = htm_files(built("app/aide"));
  ASSERT_GT(pages.size(), 10u);
  EXPECT_EQ(pages, htm_files(installed("aide")));
  for (const std::string& page : pages)
    EXPECT_EQ(read_bytes(built("app/aide/" + page)), read_bytes(installed(("aide\\" + page).c_str()))) << page;
  EXPECT_FALSE(exists(installed("mp3enc.exe")));
  EXPECT_EQ(encoder_, read_bytes(kComponentFile));
  EXPECT_EQ(kComponentFile, registry_text(vt::Hive::Machine, "Software\\Ardentine\\Components\\mp3el", "Path"));

  EXPECT_EQ("Vocatrack Sound Recorder Uninstall", registry_text(vt::Hive::Machine, kUninstallKey, "DisplayName"));
  EXPECT_EQ("\"" + installed("uninst.exe") + "\"", registry_text(vt::Hive::Machine, kUninstallKey, "UninstallString"));
  EXPECT_EQ("2.01", registry_text(vt::Hive::Machine, kUninstallKey, "DisplayVersion"));
  EXPECT_EQ(installed("vocatrack.exe"), registry_text(vt::Hive::Machine, kUninstallKey, "DisplayIcon"));
  EXPECT_EQ("Ardentine", registry_text(vt::Hive::Machine, kUninstallKey, "Publisher"));
  EXPECT_EQ("\"" + installed("vocatrack.exe") + "\" \"%s\"",
            registry_text(vt::Hive::Machine, "Software\\Ardentine\\Vocatrack\\Settings", "RunVocatrack"));

  std::string programs = shell_folder(HKEY_LOCAL_MACHINE, "Common Programs");
  if (programs == "<missing>") programs = shell_folder(HKEY_CURRENT_USER, "Programs");
  std::string shortcuts = programs + "\\Vocatrack Sound Recorder";
  std::string desktop = shell_folder(HKEY_LOCAL_MACHINE, "Common Desktop");
  if (desktop == "<missing>") desktop = shell_folder(HKEY_CURRENT_USER, "Desktop");
  ASSERT_NE("<missing>", programs);
  EXPECT_EQ(installed("vocatrack.exe"), link_target(shortcuts + "\\Vocatrack Sound Recorder.lnk"));
  EXPECT_EQ(installed("app.hlp"), link_target(shortcuts + "\\Vocatrack Sound Recorder Aide.lnk"));
  EXPECT_EQ(installed("vocatrack.exe"), link_target(desktop + "\\Vocatrack Sound Recorder.lnk"));

  // The installed program was started with -install; it records through its switches.
  ASSERT_NE(nullptr, running_program(30000)) << "the installed program did not start";
  HANDLE program = processes_.back();
  std::string recordings = folder_ + "\\recordings";
  CreateDirectoryA(recordings.c_str(), nullptr);
  HANDLE record = start(installed("vocatrack.exe"), "-outdir \"" + recordings + "\" -record wav");
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(record, 90000));
  std::string recording;
  // Half a second of 16-bit stereo sound at 44.1 kHz or more has arrived.
  EXPECT_TRUE(wait_until([&] {
    recording = first_wav(recordings);
    return !recording.empty() && read_bytes(recording).size() > 88200;
  }, 30000));
  HANDLE done = start(installed("vocatrack.exe"), "-done");
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done, 90000));
  // Closed: the RIFF size is the file's size less 8.
  std::string wav;
  EXPECT_TRUE(wait_until([&] {
    wav = read_bytes(recording);
    return wav.size() > 88200 && wav.compare(0, 4, "RIFF") == 0 && wav.substr(4, 4) == le32(wav.size() - 8);
  }, 20000)) << recording;

  // A user's file in the installation folder and the recordings stay.
  write_bytes(installed("mes notes.txt"), "à garder");
  // Started without arguments, with the program still running, it has the program end
  // (nothing of it may write behind the removal), moves to the temporary folder and
  // asks from there.
  HANDLE uninstaller = start(installed("uninst.exe"), "");
  ASSERT_NE(nullptr, uninstaller);
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  std::string temp_copy = std::string(temp) + "uninst.exe";
  HWND confirm = vt_test::find_window("#32770", "Désinstaller Vocatrack Sound Recorder", 40000);
  ASSERT_NE(nullptr, confirm) << "the uninstaller did not ask";
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(uninstaller, 0));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(program, 0)) << "the program still ran when the uninstaller asked";
  EXPECT_TRUE(uninstaller_image + le32(0xF0F00F0F) == read_bytes(temp_copy));
  wait_until([&] { return !vt_test::message_text(confirm).empty(); }, 5000);
  EXPECT_EQ("Etes-vous sûr de vouloir désinstaller?", vt_test::message_text(confirm));
  // The user's data, written now that the program has ended: a delivery still pending
  // and the chosen recording format.
  std::string common = shell_folder(HKEY_LOCAL_MACHINE, "Common AppData");
  std::string user = shell_folder(HKEY_CURRENT_USER, "AppData");
  ASSERT_NE("<missing>", common);
  ASSERT_NE("<missing>", user);
  const std::string delivery_list = common + "\\Ardentine\\Vocatrack\\bgsend.lst";
  const std::string codec_format = user + "\\Ardentine\\Vocatrack\\WavCodec.wff";
  const std::string pending = recording + "\r\n";
  const std::string format(1024, '\x11');
  write_bytes(delivery_list, pending);
  write_bytes(codec_format, format);
  ASSERT_EQ(pending, read_bytes(delivery_list));
  ASSERT_EQ(format, read_bytes(codec_format));
  PostMessageA(confirm, WM_COMMAND, IDYES, 0);
  EXPECT_TRUE(wait_until([&] { return !exists(installed("vocatrack.exe")); }, 30000));
  EXPECT_TRUE(wait_until([&] { return !key_exists(HKEY_LOCAL_MACHINE, "Software\\Ardentine\\Vocatrack"); }, 10000));
  EXPECT_TRUE(wait_until([&] { return !key_exists(HKEY_CURRENT_USER, "Software\\Ardentine\\Vocatrack"); }, 10000));

  for (const char* name : {"vocatrack.exe", "uninst.exe", "app.hlp", "mp3enc.exe", "aide\\index.htm", "aide"})
    EXPECT_FALSE(exists(installed(name))) << name;
  EXPECT_EQ("à garder", read_bytes(installed("mes notes.txt")));
  EXPECT_FALSE(exists(shortcuts));
  EXPECT_FALSE(exists(desktop + "\\Vocatrack Sound Recorder.lnk"));
  EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kUninstallKey));
  // The maker's shared encoder stays where other programs find it, and the user's data
  // stays as the recordings do.
  EXPECT_TRUE(read_bytes(kComponentFile) == encoder_) << "the shared encoder component is gone or changed";
  EXPECT_EQ(kComponentFile, registry_text(vt::Hive::Machine, "Software\\Ardentine\\Components\\mp3el", "Path"));
  EXPECT_EQ(pending, read_bytes(delivery_list));
  EXPECT_TRUE(read_bytes(codec_format) == format) << "WavCodec.wff is gone or changed";
  EXPECT_EQ("<missing>", registry_text(vt::Hive::Machine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "VocatrackRun"));
  EXPECT_FALSE(wav.empty());
  EXPECT_TRUE(exists(recording));
}

TEST_F(InstallTest, DamagedInstallerLeavesTheExistingInstallationAsItWas) {
  install_quietly();
  ASSERT_NE(nullptr, running_program(30000));
  HANDLE exit_copy = start(installed("vocatrack.exe"), "-exit");
  WaitForSingleObject(exit_copy, 30000);
  ASSERT_TRUE(wait_until([] { return !FindWindowA("#32770", "Vocatrack Sound Recorder"); }, 20000));
  const std::string program = read_bytes(installed("vocatrack.exe"));
  const std::string help = read_bytes(installed("app.hlp"));

  // One byte of the help file's payload changed.
  std::string damaged = read_bytes(setup_);
  damaged[image_.size() + 100] ^= 0x01;
  write_bytes(setup_, damaged);
  MessageBoxAnswer refusal(kCorruptCaption, IDOK);
  install_quietly();
  refusal.join();
  EXPECT_TRUE(refusal.answered);
  EXPECT_EQ(
      "Fichier d’installation corrompu.\n\nUne erreur de checksum a été détectée dans votre fichier d’installation. "
      "Veuillez réinstaller le fichier.",
      refusal.text);
  EXPECT_EQ(program, read_bytes(installed("vocatrack.exe")));
  EXPECT_EQ(help, read_bytes(installed("app.hlp")));
  EXPECT_EQ(nullptr, FindWindowA("#32770", "Vocatrack Sound Recorder"));  // nothing was started

  // The old installation still runs.
  start(installed("vocatrack.exe"), "");
  EXPECT_NE(nullptr, running_program(30000));
}

TEST_F(InstallTest, LicencePageDecidesTheButtonsAndFermerEndsWithoutInstalling) {
  std::string next, finish;
  bool none_enabled = false, next_enabled = false, fermer_enabled = false;
  std::thread user([&] {
    HWND sheet = vt_test::find_dialog_with_control("Je suis d’&accord", 30000);
    if (!sheet) return;
    HWND terms = vt_test::find_child(sheet, "Button", "Je suis d’&accord");
    HWND page = GetParent(terms);
    HWND next_button = GetDlgItem(sheet, 0x3024), finish_button = GetDlgItem(sheet, 0x3025);
    none_enabled = !IsWindowEnabled(next_button) && !IsWindowEnabled(finish_button) &&
                   !IsWindowEnabled(GetDlgItem(sheet, 0x3023));
    vt_test::click(page, IDC_TERMS_AGREE);
    next_enabled = wait_until([&] { return IsWindowEnabled(next_button) && IsWindowVisible(next_button); }, 5000);
    vt_test::click(page, IDC_TERMS_DISAGREE);
    fermer_enabled = wait_until([&] { return IsWindowEnabled(finish_button) && IsWindowVisible(finish_button); }, 5000);
    finish = vt_test::window_text(finish_button);
    vt_test::save_screenshot("installer_licence_page");
    PostMessageA(finish_button, BM_CLICK, 0, 0);
  });
  vt::run_installer_role(setup_);
  user.join();
  EXPECT_TRUE(none_enabled);
  EXPECT_TRUE(next_enabled);
  EXPECT_TRUE(fermer_enabled);
  EXPECT_EQ("Fermer", finish);
  EXPECT_FALSE(exists(installed("vocatrack.exe")));
  EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(InstallTest, CancelAsksAndOkLeavesNothingInstalled) {
  std::thread user([&] {
    HWND sheet = vt_test::find_dialog_with_control("Je suis d’&accord", 30000);
    if (sheet) PostMessageA(sheet, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  MessageBoxAnswer ask("Arrêter l'Installation", IDOK);
  vt::run_installer_role(setup_);
  user.join();
  ask.join();
  EXPECT_TRUE(ask.answered);
  EXPECT_NE(std::string::npos, ask.text.find("Abandonner l'Installation?"));
  EXPECT_FALSE(exists(installed("vocatrack.exe")));
}

}  // namespace
