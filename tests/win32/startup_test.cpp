// The program itself, vocatrack.exe, started as a user or a script would: one running
// copy whose window other copies find, switches forwarded to it by second copies, the
// relaunch of a first copy started with switches, and recordings made through switches
// while a tone plays into the PulseAudio null sink whose monitor is the input.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <commctrl.h>
#include <prsht.h>

#include "app/main_window_res.h"
#include "gui/about_dlg_res.h"
#include "gui/commands_page_res.h"
#include "gui/hotkey_dialogs_res.h"
#include "win/settings_win.h"
#include "base/key_codes.h"
#include "formats/file_readers.h"
#include "tests/support/linux_process.h"
#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"
#include "tests/win32/player_sound.h"

namespace vt {
namespace {

using vt_test::wait_until;

const char kTitle[] = "Vocatrack Sound Recorder";
const char kDialogClass[] = "#32770";

std::string program_path() { return vt_test::windows_path(vt_test::build_dir() + "/app/vocatrack.exe"); }

HWND running_window() { return FindWindowA(kDialogClass, kTitle); }

int running_window_count() {
  int count = 0;
  for (HWND at = nullptr; (at = FindWindowExA(nullptr, at, kDialogClass, kTitle)) != nullptr;) ++count;
  return count;
}

bool has_ended(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

// Size of a file, or -1 when it does not exist.
int64_t file_size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<std::string> wav_files_in(const std::string& folder) {
  std::vector<std::string> found;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*.wav").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return found;
  do found.push_back(folder + "\\" + entry.cFileName);
  while (FindNextFileA(find, &entry));
  FindClose(find);
  return found;
}

// A little-endian 32-bit field of a RIFF WAVE file's header, -1 when unreadable.
int64_t header_field(const std::string& path, int offset) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  unsigned char head[36] = {};
  DWORD read = 0;
  bool ok = ReadFile(file, head, sizeof head, &read, nullptr) && read == sizeof head && std::memcmp(head, "RIFF", 4) == 0;
  CloseHandle(file);
  if (!ok) return -1;
  const unsigned char* at = head + offset;
  return static_cast<int64_t>(at[0]) | (at[1] << 8) | (at[2] << 16) | (static_cast<int64_t>(at[3]) << 24);
}

// The RIFF size field: the file's size less 8 once the writer has closed it.
int64_t riff_size_field(const std::string& path) { return header_field(path, 4); }

double seconds_in(const std::string& path) {
  SourceRef file = open_audio_file(path);
  if (file->status != kSourceOk || file->sample_rate <= 0) return -1;
  return static_cast<double>(file->length()) / file->sample_rate;
}

// Waits until a file has stopped growing for `quiet_ms`; its size then.
int64_t settled_size(const std::string& path, int quiet_ms, int timeout_ms) {
  int64_t last = file_size(path);
  DWORD changed_at = GetTickCount();
  wait_until([&] {
    int64_t now = file_size(path);
    if (now != last) {
      last = now;
      changed_at = GetTickCount();
    }
    return static_cast<int>(GetTickCount() - changed_at) >= quiet_ms;
  }, timeout_ms);
  return last;
}

class StartupTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A steady tone for the whole suite; ended by its id afterwards.
    tone_ = vt_test::start_steady_tone();
  }
  static void TearDownTestSuite() {
    delete tone_;
    tone_ = nullptr;
  }

  void SetUp() override {
    static const char* const kUserValues[] = {"OutputFolder", "Format", "PromptForName", "FileNameFormat",
                                              "RecordTone", "StoppedTone", "VoiceActivate", "CheckMaxTime",
                                              "LaunchPlayWhenStop", "InstallWizRun", "IntervalTone",
                                              "ShowRecordingsList", "WarnSpaceBelow", "RecordWhenRun"};
    for (const char* name : kUserValues) guards_.emplace_back(new vt_test::SettingGuard(Hive::User, "Settings", name));
    for (const char* name : {"RecordDevice", "MainWindowX", "MainWindowY", "ShowButtons"})
      guards_.emplace_back(new vt_test::SettingGuard(Hive::Machine, "Settings", name));
    folder_ = vt_test::scratch_folder("startup-test");
    write_setting(kOutputFolder, folder_.c_str());
    write_setting(kFormat, 0);
    write_setting(kPromptForName, false);
    write_setting(kFileNameFormat, "Untitled %autonumber%");
    write_setting(kRecordTone, false);
    write_setting(kStoppedTone, false);
    write_setting(kVoiceActivate, false);
    write_setting(kCheckMaxTime, false);
    write_setting(kLaunchPlayWhenStop, false);
    write_setting(kInstallWizRun, true);  // the set-up wizard stays away
    write_setting(kIntervalTone, false);
    write_setting(kShowRecordingsList, false);
    write_setting(kWarnSpaceBelow, 0);
    write_setting(kRecordWhenRun, false);
    write_setting(kRecordDevice, 0);
    write_setting(kShowButtons, 63);
    ASSERT_EQ(nullptr, running_window()) << "a copy of the program is already running";
  }

  void TearDown() override {
    // A relaunched copy is not one of the processes started here: find it by its window.
    for (int i = 0; i < 4; ++i) {
      HWND window = running_window();
      if (!window) break;
      HANDLE process = process_of(window);
      if (!process) break;
      if (!has_ended(process)) TerminateProcess(process, 1);
      WaitForSingleObject(process, 10000);
    }
    for (HANDLE process : processes_) {
      if (!has_ended(process)) TerminateProcess(process, 1);
      WaitForSingleObject(process, 10000);
      CloseHandle(process);
    }
    processes_.clear();
    watched_.reset();
    guards_.clear();
    vt_test::remove_tree(folder_);
  }

  // Starts the program (or a copy of its file) with these arguments; its process
  // handle, kept to be ended.
  HANDLE start(const std::string& arguments, const std::string& program = program_path()) {
    std::string line = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      ADD_FAILURE() << "cannot start " << line << " (error " << GetLastError() << ")";
      return nullptr;
    }
    CloseHandle(info.hThread);
    processes_.push_back(info.hProcess);
    return info.hProcess;
  }

  // The process that owns `window`, kept to be ended.
  HANDLE process_of(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = id ? OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, id) : nullptr;
    if (process) processes_.push_back(process);
    return process;
  }

  // Starts the first copy through Wine's loader with its exception trace on and the
  // trace in a file, and waits for its window; `exceptions_seen` then reads the trace.
  HWND start_watched_first_copy() {
    const std::string trace = vt_test::build_dir() + "/seh-trace-" + std::to_string(GetTickCount()) + ".txt";
    trace_path_ = vt_test::windows_path(trace);
    const std::string program = vt_test::build_dir() + "/app/vocatrack.exe";
    watched_.reset(new vt_test::LinuxProcess("WINEDEBUG=+seh exec /usr/lib/wine/wine64 '" + program + "' 2>'" +
                                             trace + "'"));
    if (!watched_->start()) return nullptr;
    HWND window = vt_test::find_window(kDialogClass, kTitle, 30000);
    first_ = window ? process_of(window) : nullptr;
    return first_ ? window : nullptr;
  }
  // Access violations the watched first copy raised, caught or not.
  int exceptions_seen() {
    HANDLE file = CreateFileA(trace_path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    int count = 0;
    for (size_t at = 0; (at = text.find("EXCEPTION_ACCESS_VIOLATION", at)) != std::string::npos; ++at) ++count;
    return count;
  }

  // Starts the first copy with no switches and waits for its window.
  HWND start_first_copy() {
    first_ = start("");
    if (!first_) return nullptr;
    HWND window = vt_test::find_window(kDialogClass, kTitle, 30000);
    EXPECT_NE(nullptr, window) << "the main window did not appear";
    return window;
  }

  // A second copy with these switches: it hands them over and ends; by then the running
  // copy has carried them out.
  bool forward(const std::string& switches) {
    HANDLE second = start(switches);
    if (!second) return false;
    const bool ended = WaitForSingleObject(second, 30000) == WAIT_OBJECT_0;
    EXPECT_TRUE(ended) << "the copy started with " << switches << " did not end";
    return ended;
  }

  // The one recording in `folder`, once it has grown past `bytes`.
  std::string recording_growing_past(const std::string& folder, int64_t bytes) {
    std::string path;
    wait_until([&] {
      std::vector<std::string> files = wav_files_in(folder);
      if (files.size() != 1) return false;
      path = files[0];
      return file_size(path) > bytes;
    }, 20000);
    return file_size(path) > bytes ? path : std::string();
  }

  static vt_test::LinuxProcess* tone_;
  std::vector<std::unique_ptr<vt_test::SettingGuard>> guards_;
  std::vector<HANDLE> processes_;
  HANDLE first_ = nullptr;
  std::string folder_;
  std::string trace_path_;
  std::unique_ptr<vt_test::LinuxProcess> watched_;
};

vt_test::LinuxProcess* StartupTest::tone_ = nullptr;

TEST_F(StartupTest, FirstCopyShowsItsWindowAndExitSwitchFromASecondCopyEndsIt) {
  HWND window = start_first_copy();
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(kDialogClass, vt_test::window_class(window));
  EXPECT_EQ(kTitle, vt_test::window_text(window));
  EXPECT_TRUE(wait_until([&] { return IsWindowVisible(window) != FALSE; }, 10000));
  EXPECT_FALSE(has_ended(first_));

  // A second copy without switches hands over only its path: nothing happens.
  ASSERT_TRUE(forward(""));
  EXPECT_TRUE(IsWindow(window));
  EXPECT_FALSE(has_ended(first_));

  ASSERT_TRUE(forward("-exit"));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first_, 15000)) << "-exit did not end the running copy";
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(StartupTest, EmptyOutputFolderHasVocatrackMadeInTheApplicationDataAtStart) {
  const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  vt_test::RegistryValueGuard app_data_guard(Hive::User, kShellFolders, "AppData");
  const std::string app_data = folder_ + "\\appdata";
  ASSERT_TRUE(CreateDirectoryA(app_data.c_str(), nullptr));
  vt_test::write_raw_value(Hive::User, kShellFolders, "AppData", REG_SZ, app_data);
  write_setting(kOutputFolder, "");
  HWND window = start_first_copy();
  ASSERT_NE(nullptr, window);
  const std::string made = app_data + "\\Vocatrack";
  EXPECT_TRUE(wait_until([&] {
    const DWORD attributes = GetFileAttributesA(made.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }, 10000));
  ASSERT_TRUE(forward("-exit"));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first_, 15000));
}

TEST_F(StartupTest, NewerWindowsIsRefusedAndTheUpdatedVersionPageOpens) {
  // Wine reports Windows 7 to the program, and its browser launcher runs a script that logs the address.
  vt_test::RegistryValueGuard version(Hive::User, "Software\\Wine\\AppDefaults\\vocatrack.exe", "Version");
  vt_test::RegistryValueGuard browsers(Hive::User, "Software\\Wine\\WineBrowser", "Browsers");
  vt_test::SettingGuard site(Hive::Machine, "Servers", "WebSite");
  const std::string scratch = vt_test::build_dir() + "/test-scratch/startup-test";
  const std::string script = scratch + "/browser.sh", log = scratch + "/browser.log";
  ASSERT_EQ(0, vt_test::run_linux("printf '#!/bin/sh\\necho \"$@\" >> \"%s\"\\n' '" + log + "' > '" + script +
                                  "' && chmod +x '" + script + "'"));
  vt_test::write_raw_value(Hive::User, "Software\\Wine\\AppDefaults\\vocatrack.exe", "Version", REG_SZ, "win7");
  vt_test::write_raw_value(Hive::User, "Software\\Wine\\WineBrowser", "Browsers", REG_SZ, script);
  vt_test::write_raw_value(Hive::Machine, "Software\\Ardentine\\Vocatrack\\Servers", "WebSite", REG_SZ,
                           "http://127.0.0.1:9");
  HANDLE started = start("");
  ASSERT_NE(nullptr, started);
  HWND box = vt_test::find_window(kDialogClass, "Updated Version Required", 30000);
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(nullptr, running_window()) << "no recorder runs";
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(started, 15000));
  std::string opened;
  EXPECT_TRUE(wait_until([&] {
    std::ifstream in(vt_test::windows_path(log));
    return static_cast<bool>(std::getline(in, opened));
  }, 20000));
  EXPECT_EQ("http://127.0.0.1:9/kb/10015.html", opened);
}

TEST_F(StartupTest, CloseNowMessageAndWmCloseEndTheRunningCopy) {
  for (UINT message : {1126u, static_cast<UINT>(WM_CLOSE)}) {
    HWND window = start_first_copy();
    ASSERT_NE(nullptr, window);
    PostMessageA(window, message, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first_, 15000)) << "message " << message;
  }
}

TEST_F(StartupTest, ProgramNamedLikeASetupWithoutTheInstallerMarkerRefusesToRun) {
  const std::string copy = folder_ + "\\VocaSetup.exe";
  ASSERT_TRUE(CopyFileA(program_path().c_str(), copy.c_str(), FALSE));
  HANDLE started = start("", copy);
  ASSERT_NE(nullptr, started);
  HWND box = vt_test::find_window(kDialogClass, "Erreur d’installation", 30000);
  ASSERT_NE(nullptr, box);
  std::string message;
  for (HWND text = nullptr; (text = FindWindowExA(box, text, "Static", nullptr)) != nullptr;) {
    std::string candidate = vt_test::window_text(text);
    if (candidate.size() > message.size()) message = candidate;
  }
  EXPECT_EQ("Fichier d’installation corrompu.\n\nUne erreur de checksum a été détectée dans votre fichier "
            "d’installation. Veuillez réinstaller le fichier.",
            message);
  EXPECT_EQ(nullptr, running_window()) << "no recorder runs";
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(started, 15000));
  DWORD code = 1;
  GetExitCodeProcess(started, &code);
  EXPECT_EQ(0u, code);
}

TEST_F(StartupTest, ShowbtnSwitchesHideAndShowTheRecordButtonsOfTheRunningCopy) {
  HWND window = start_first_copy();
  ASSERT_NE(nullptr, window);
  const int kButtons[] = {IDC_RECORD, IDC_PAUSE, IDC_RESTART, IDC_STOP};
  auto buttons_shown = [&](bool shown) {
    for (int id : kButtons)
      if ((IsWindowVisible(GetDlgItem(window, id)) != FALSE) != shown) return false;
    return true;
  };
  ASSERT_TRUE(wait_until([&] { return buttons_shown(true); }, 10000));

  DWORD started = GetTickCount();
  ASSERT_TRUE(forward("-showbtn hideall"));
  // The forwarding copy ends as soon as the running copy has handled the switches.
  EXPECT_LT(static_cast<int>(GetTickCount() - started), 15000);
  EXPECT_TRUE(wait_until([&] { return buttons_shown(false); }, 5000));
  EXPECT_EQ(0, read_setting(kShowButtons));

  ASSERT_TRUE(forward("-SHOWBTN showall"));  // switch names ignore case
  EXPECT_TRUE(wait_until([&] { return buttons_shown(true); }, 5000));
  EXPECT_EQ(63, read_setting(kShowButtons));

  ASSERT_TRUE(forward("-showbtn r"));
  EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(GetDlgItem(window, IDC_RECORD)); }, 5000));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_STOP)));
  EXPECT_FALSE(has_ended(first_));
}

TEST_F(StartupTest, SwitchesReachTheRunningCopyWhileItsNamePromptIsOpen) {
  write_setting(kPromptForName, true);
  HWND window = start_first_copy();
  ASSERT_NE(nullptr, window);
  // Record opens the name prompt: same class and caption as the main window, above it.
  PostMessageA(window, WM_COMMAND, IDC_RECORD, 0);
  HWND prompt = nullptr;
  ASSERT_TRUE(wait_until([&] {
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, kDialogClass, kTitle)) != nullptr;)
      if (w != window && IsWindowVisible(w)) prompt = w;
    return prompt != nullptr;
  }, 20000));
  ASSERT_TRUE(forward("-showbtn hideall"));
  EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(GetDlgItem(window, IDC_RECORD)); }, 5000));
  PostMessageA(prompt, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(wait_until([&] { return !IsWindow(prompt); }, 20000));
  EXPECT_FALSE(has_ended(first_));
}

TEST_F(StartupTest, RecordPauseRecordDoneThroughForwardedSwitchesMakeOneFinishedFile) {
  ASSERT_NE(nullptr, start_first_copy());
  // Recordings go where -outdir says, not to the folder of the settings.
  const std::string recordings = folder_ + "\\switched";
  CreateDirectoryA(recordings.c_str(), nullptr);

  ASSERT_TRUE(forward("-outdir \"" + recordings + "\" -record"));
  EXPECT_EQ(recordings, read_setting(kOutputFolder));
  const std::string path = recording_growing_past(recordings, 64 * 1024);
  ASSERT_FALSE(path.empty()) << "no recording grew in " << recordings;
  EXPECT_TRUE(wav_files_in(folder_).empty());

  ASSERT_TRUE(forward("-pause"));
  const int64_t paused = settled_size(path, 1000, 15000);
  EXPECT_EQ(paused, settled_size(path, 500, 5000)) << "the file still grows while paused";

  ASSERT_TRUE(forward("-record"));
  EXPECT_TRUE(wait_until([&] { return file_size(path) > paused + 64 * 1024; }, 20000))
      << "recording did not continue in the same file";
  ASSERT_EQ(1u, wav_files_in(recordings).size());

  ASSERT_TRUE(forward("-done"));
  const int64_t size = settled_size(path, 500, 10000);
  EXPECT_EQ(size - 8, riff_size_field(path)) << "the header was not finished";
  SourceRef file = open_audio_file(path);
  ASSERT_EQ(kSourceOk, file->status);
  ASSERT_GT(file->sample_rate, 0);
  const double seconds = static_cast<double>(file->length()) / file->sample_rate;
  // Both parts are in it: at least what was there at the pause plus what came after.
  const int64_t byte_rate = header_field(path, 28);
  ASSERT_GT(byte_rate, 0);
  EXPECT_GT(seconds, static_cast<double>(paused + 64 * 1024 - 100) / byte_rate);
}

TEST_F(StartupTest, RecordfileRecordsIntoExactlyThatPath) {
  ASSERT_NE(nullptr, start_first_copy());
  const std::string target = folder_ + "\\Nom choisi.wav";
  ASSERT_TRUE(forward("-recordfile \"" + target + "\""));
  EXPECT_TRUE(wait_until([&] { return file_size(target) > 64 * 1024; }, 20000)) << target;
  ASSERT_TRUE(forward("-done"));
  const int64_t size = settled_size(target, 500, 10000);
  EXPECT_EQ(size - 8, riff_size_field(target));
  EXPECT_GT(seconds_in(target), 0.2);
  ASSERT_EQ(1u, wav_files_in(folder_).size()) << "no other file was made";
  EXPECT_EQ(target, wav_files_in(folder_)[0]);
}

TEST_F(StartupTest, FirstCopyWithSwitchesRelaunchesItselfAndTheNewCopyRunsThem) {
  HANDLE first = start("-hide");
  ASSERT_NE(nullptr, first);
  DWORD first_id = GetProcessId(first);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first, 30000)) << "the first process did not end";
  HWND window = vt_test::find_window(kDialogClass, kTitle, 30000);
  ASSERT_NE(nullptr, window) << "no relaunched copy";
  HANDLE relaunched = process_of(window);
  ASSERT_NE(nullptr, relaunched);
  EXPECT_NE(first_id, GetProcessId(relaunched));
  EXPECT_FALSE(has_ended(relaunched));
  EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(window); }, 10000)) << "-hide was not carried out";

  // It is the running copy: switches reach it.
  ASSERT_TRUE(forward("-show"));
  EXPECT_TRUE(wait_until([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  ASSERT_TRUE(forward("-exit"));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(relaunched, 15000));
}

TEST_F(StartupTest, BlockLastOrInstallFirstNeverRelaunches) {
  for (const char* arguments : {"-hide -block", "-install -hide"}) {
    HANDLE started = start(arguments);
    ASSERT_NE(nullptr, started);
    HWND window = vt_test::find_window(kDialogClass, kTitle, 30000);
    ASSERT_NE(nullptr, window) << arguments;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    EXPECT_EQ(GetProcessId(started), owner) << arguments << ": the started process is the running copy";
    EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(window); }, 10000)) << arguments;
    ASSERT_TRUE(forward("-exit"));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(started, 15000)) << arguments;
  }
}

TEST_F(StartupTest, RecordOnTheFirstCopysCommandLineRecordsInTheRelaunchedCopy) {
  HANDLE first = start("-record -ms 4000");
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first, 30000)) << "the first process did not end";
  HWND window = vt_test::find_window(kDialogClass, kTitle, 30000);
  ASSERT_NE(nullptr, window) << "no relaunched copy";
  HANDLE relaunched = process_of(window);
  ASSERT_NE(nullptr, relaunched);
  const std::string path = recording_growing_past(folder_, 16 * 1024);
  EXPECT_FALSE(path.empty()) << "the relaunched copy does not record";
  // Its own -ms ends it, with the recording finished.
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(relaunched, 30000));
  if (!path.empty()) {
    EXPECT_EQ(file_size(path) - 8, riff_size_field(path));
  }
}

TEST_F(StartupTest, ForwardedRecordKeepsTheFirst128ArgumentsCutTo259Characters) {
  ASSERT_NE(nullptr, start_first_copy());
  // argv[0] and 125 unknown words, then -outdir KEPT in slots 126 and 127; the last
  // -outdir lies beyond the record and never arrives.
  std::string switches;
  for (int i = 0; i < 125; ++i) switches += "x ";
  switches += "-outdir KEPT -outdir LOST";
  ASSERT_TRUE(forward(switches));
  EXPECT_EQ("KEPT", read_setting(kOutputFolder));

  const std::string long_folder = "Z:\\" + std::string(297, 'd');  // 300 characters
  ASSERT_TRUE(forward("-outdir " + long_folder));
  EXPECT_EQ(long_folder.substr(0, 259), read_setting(kOutputFolder));
  EXPECT_FALSE(has_ended(first_));
}

TEST_F(StartupTest, MalformedForwardedRecordsAreIgnoredAndTheCopyKeepsRunning) {
  HWND window = start_first_copy();
  ASSERT_NE(nullptr, window);
  auto send_record = [&](const std::vector<uint8_t>& record) {
    COPYDATASTRUCT data = {};
    data.cbData = static_cast<DWORD>(record.size());
    data.lpData = record.empty() ? nullptr : const_cast<uint8_t*>(record.data());
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 15000, &result);
  };
  std::vector<uint8_t> short_record = {128, 0, 0, 0, '-', 'e', 'x', 'i', 't', 0};  // claims 128 slots
  std::vector<uint8_t> negative(4 + 2 * 260, 0);
  negative[0] = 0xFB, negative[1] = negative[2] = negative[3] = 0xFF;  // -5
  std::memcpy(&negative[4 + 260], "-exit", 6);
  std::vector<uint8_t> count_only = {2, 0, 0, 0};
  for (const auto& record : {short_record, negative, count_only, std::vector<uint8_t>()})
    EXPECT_NE(0, send_record(record)) << "the running copy stopped answering";
  EXPECT_FALSE(has_ended(first_));
  ASSERT_TRUE(forward("-showbtn hideall"));
  EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(GetDlgItem(window, IDC_RECORD)); }, 5000));
}

TEST_F(StartupTest, CopiesStartedTogetherLeaveOneRunningCopyThatGotTheSwitches) {
  // Whichever takes the run mutex first becomes the running copy; each of the others
  // waits until its window exists, then forwards its switches and ends.
  std::vector<HANDLE> copies;
  for (const char* arguments : {"", "", "", "-showbtn hideall"}) {
    copies.push_back(start(arguments));
    ASSERT_NE(nullptr, copies.back());
  }
  HWND window = vt_test::find_window(kDialogClass, kTitle, 30000);
  ASSERT_NE(nullptr, window);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  for (HANDLE copy : copies) {
    if (GetProcessId(copy) != owner) {
      EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(copy, 30000));
    }
  }
  EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(GetDlgItem(window, IDC_RECORD)); }, 10000));
  // A second running copy, if one slipped through, has had the time to show itself.
  EXPECT_FALSE(wait_until([] { return running_window_count() > 1; }, 3000));
  EXPECT_EQ(1, running_window_count());
}

TEST_F(StartupTest, RecordingStartsAtOnceWithRecordWhenRunOrLogonFirst) {
  write_setting(kRecordWhenRun, true);
  ASSERT_NE(nullptr, start_first_copy());
  EXPECT_FALSE(recording_growing_past(folder_, 16 * 1024).empty()) << "RecordWhenRun without arguments";
  ASSERT_TRUE(forward("-exit"));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first_, 15000));
  folder_ = vt_test::scratch_folder("startup-test");  // emptied

  write_setting(kRecordWhenRun, false);
  ASSERT_NE(nullptr, start("-logon"));  // relaunched with -block; -logon stays first
  ASSERT_NE(nullptr, vt_test::find_window(kDialogClass, kTitle, 30000));
  EXPECT_FALSE(recording_growing_past(folder_, 16 * 1024).empty()) << "-logon first";
}

TEST_F(StartupTest, ExitifstopEndsTheProgramAtPauseWithTheFileFinished) {
  ASSERT_NE(nullptr, start_first_copy());
  ASSERT_TRUE(forward("-record"));
  const std::string path = recording_growing_past(folder_, 16 * 1024);
  ASSERT_FALSE(path.empty());
  ASSERT_TRUE(forward("-exitifstop -pause"));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first_, 15000));
  EXPECT_EQ(file_size(path) - 8, riff_size_field(path)) << "a paused recording lost its header at the exit";
  EXPECT_GT(seconds_in(path), 0.1);
}

TEST_F(StartupTest, MsSwitchStopsTheRecordingAndExitsAfterItsTime) {
  ASSERT_NE(nullptr, start_first_copy());
  ASSERT_TRUE(forward("-record"));
  const std::string path = recording_growing_past(folder_, 16 * 1024);
  ASSERT_FALSE(path.empty());

  const DWORD before = GetTickCount();  // the timer starts after this
  ASSERT_TRUE(forward("-ms 3000"));
  const int waited = static_cast<int>(GetTickCount() - before);
  if (waited < 2700) {
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(first_, static_cast<DWORD>(2700 - waited)))
        << "ended well before 3 s";
  }
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first_, 20000)) << "did not end by itself";
  const int64_t size = file_size(path);
  EXPECT_EQ(size - 8, riff_size_field(path)) << "the recording was not finished before the exit";
  EXPECT_GT(seconds_in(path), 1.0);
}

// The running copy's window goes at -exit while the rest of the forwarded command line
// and the window's own message handling are still under way: nothing may touch what
// the window's end released.
TEST_F(StartupTest, SwitchesAfterExitAndAnExitAtStopLeaveNoAccessViolation) {
  for (const char* switches : {"-exit -show", "-exit -outdir \"C:\\elsewhere\""}) {
    ASSERT_NE(nullptr, start_watched_first_copy());
    ASSERT_TRUE(forward(switches));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first_, 15000)) << switches;
    DWORD code = 1;
    GetExitCodeProcess(first_, &code);
    EXPECT_EQ(0u, code) << switches;
    EXPECT_EQ(0, exceptions_seen()) << switches;
    EXPECT_EQ(folder_, read_setting(kOutputFolder)) << "a switch after -exit acted";
  }

  ASSERT_NE(nullptr, start_watched_first_copy());
  ASSERT_TRUE(forward("-record"));
  const std::string path = recording_growing_past(folder_, 16 * 1024);
  ASSERT_FALSE(path.empty());
  ASSERT_TRUE(forward("-exitifstop -done"));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first_, 15000));
  DWORD code = 1;
  GetExitCodeProcess(first_, &code);
  EXPECT_EQ(0u, code);
  EXPECT_EQ(0, exceptions_seen());
  EXPECT_EQ(file_size(path) - 8, riff_size_field(path));
  EXPECT_GT(seconds_in(path), 0.1);
}

TEST_F(StartupTest, PlaySwitchOpensTheListAndPlaysTheFileInThePanel) {
  HWND main = start_first_copy();
  ASSERT_NE(nullptr, main);
  const std::string path = folder_ + "\\Ecoute.wav";
  std::string pcm;
  for (int i = 0; i < 8000 * 2; ++i)
    player_test::put16(pcm, static_cast<uint16_t>(static_cast<int16_t>(std::lround(8192 * std::sin(2 * M_PI * 500 * i / 8000.0)))));
  {
    std::string bytes = player_test::wav_header(8000, 1, static_cast<uint32_t>(pcm.size())) + pcm;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }
  // The forwarding copy ends at once; the panel plays the file to its end.
  ASSERT_TRUE(forward("-play \"" + path + "\""));
  HWND panel = vt_test::find_window(kDialogClass, "Contrôle Reproduction", 15000);
  ASSERT_NE(nullptr, panel);
  // Found while it may still be filling its controls.
  // The list opened on the way and shows the panel over itself, with the row's name.
  HWND list = vt_test::find_window(kDialogClass, "Liste d'Enregistrement Vocatrack", 5000);
  ASSERT_NE(nullptr, list);
  EXPECT_TRUE(wait_until([&] { return vt_test::control_text(panel, 120) == "Ecoute"; }, 5000));
  EXPECT_TRUE(wait_until([&] { return !vt_test::is_enabled(list); }, 5000));
  EXPECT_TRUE(wait_until([&] { return vt_test::control_text(panel, 103) == "0:00:02.00"; }, 10000))
      << vt_test::control_text(panel, 103);
  PostMessageA(panel, WM_CLOSE, 0, 0);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(panel); }, 5000));
  EXPECT_TRUE(wait_until([&] { return vt_test::is_enabled(list); }, 5000));
  // A name alone is looked for in the output folder; a missing file does nothing.
  ASSERT_TRUE(forward("-play Ecoute.wav"));
  panel = vt_test::find_window(kDialogClass, "Contrôle Reproduction", 15000);
  ASSERT_NE(nullptr, panel);
  PostMessageA(panel, WM_CLOSE, 0, 0);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(panel); }, 5000));
  ASSERT_TRUE(forward("-play Absent.wav"));
  EXPECT_EQ(nullptr, vt_test::find_window(kDialogClass, "Contrôle Reproduction", 1000));
  EXPECT_TRUE(vt_test::is_enabled(list));
}

}  // namespace
}  // namespace vt

namespace vt {
namespace {

// A message box of the running copy: its caption and static texts, answered with `button`.
std::string answer_program_box(const char* caption, int button) {
  HWND box = vt_test::find_window(kDialogClass, caption, 20000);
  if (!box) return std::string("(no box ") + caption + ")";
  std::string text;
  wait_until([&] { return !(text = vt_test::static_texts(box)).empty(); }, 10000);
  PostMessageA(box, WM_COMMAND, button, 0);
  wait_until([&] { return !IsWindow(box); }, 10000);
  return text;
}

std::string list_item_text(HWND list, int item) {
  char text[300] = {};
  LVITEMA query = {};
  query.iSubItem = 0;
  query.pszText = text;
  query.cchTextMax = sizeof text;
  // The control lives in another process: read through a buffer there.
  DWORD process_id = 0;
  GetWindowThreadProcessId(list, &process_id);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id);
  if (!process) return std::string();
  char* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof query + sizeof text, MEM_COMMIT, PAGE_READWRITE));
  query.pszText = remote + sizeof query;
  WriteProcessMemory(process, remote, &query, sizeof query, nullptr);
  SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(remote));
  ReadProcessMemory(process, remote + sizeof query, text, sizeof text - 1, nullptr);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return text;
}

TEST_F(StartupTest, FinishedRecordingOpensTheListWhereItsKeysRenameAndDeleteIt) {
  write_setting(kLaunchPlayWhenStop, true);
  ASSERT_NE(nullptr, start_first_copy());
  ASSERT_TRUE(forward("-record"));
  ASSERT_FALSE(recording_growing_past(folder_, 32 * 1024).empty());
  ASSERT_TRUE(forward("-done"));
  HWND list_window = vt_test::find_window(kDialogClass, "Liste d'Enregistrement Vocatrack", 20000);
  ASSERT_NE(nullptr, list_window) << "the recordings list did not open";
  HWND list = GetDlgItem(list_window, 201);
  ASSERT_NE(nullptr, list);
  ASSERT_TRUE(wait_until([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 1; }, 10000));
  EXPECT_EQ(0, SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  EXPECT_EQ("Untitled 01", list_item_text(list, 0));

  vt_test::post_key(list, VK_F2);
  HWND editor = nullptr;
  ASSERT_TRUE(wait_until([&] { return (editor = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0))) != nullptr; }, 10000));
  SendMessageA(editor, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Interview été"));
  PostMessageA(editor, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(wait_until([&] { return GetFileAttributesA((folder_ + "\\Interview t.wav").c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000));
  EXPECT_EQ("Interview t", list_item_text(list, 0));

  vt_test::post_key(list, VK_DELETE);
  EXPECT_EQ("Etes vous sûr de vouloir supprimer les fichiers sélectionnés?. Les fichiers seront définitivement "
            "supprimées de votre ordinateur.",
            answer_program_box("Confirmer suppression", IDOK));
  EXPECT_TRUE(wait_until([&] { return wav_files_in(folder_).empty(); }, 10000));
  EXPECT_TRUE(wait_until([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 0; }, 10000));
}

// ------------------------------------------------------------ hotkeys and small windows

// X key presses from outside Wine into the running copy's window (no window manager
// gives it the X focus).
bool key_into_running_copy(const char* keys) {
  return vt_test::run_linux("xdotool search --sync --onlyvisible --name '^Vocatrack Sound Recorder$' windowfocus --sync " +
                            vt_test::xdotool_chord(keys)) == 0;
}

// X key presses into the running copy's key-capture dialog.
void press_into_capture(const char* keys) {
  ASSERT_EQ(0, vt_test::run_linux("xdotool search --sync --onlyvisible --name '^Appuyez sur une touche$' windowfocus --sync " +
                                  vt_test::xdotool_chord(keys)));
}

// On the "Commandes" page of the running copy's options: Add, capture `keys`, choose
// command entry `command`, OK.
void add_binding(HWND page, const char* keys, int command) {
  vt_test::post_command(page, IDC_COMMANDS_ADD);
  HWND capture = vt_test::find_window(kDialogClass, "Appuyez sur une touche", 10000);
  ASSERT_NE(nullptr, capture);
  press_into_capture(keys);
  HWND choose = vt_test::find_window(kDialogClass, "Sélectionner Commande", 10000);
  ASSERT_NE(nullptr, choose);
  // Chosen only once the dialog has made and filled its list and shown itself: found by
  // its caption, it may not have its controls yet, and its own start-up choice would
  // replace the test's.
  HWND commands = nullptr;
  ASSERT_TRUE(wait_until([&] {
    commands = GetDlgItem(choose, IDC_HOTKEY_COMMAND_LIST);
    return commands && IsWindowVisible(choose) && SendMessageA(commands, CB_GETCOUNT, 0, 0) > command;
  }, 10000));
  SendMessageA(commands, CB_SETCURSEL, command, 0);
  ASSERT_EQ(command, SendMessageA(commands, CB_GETCURSEL, 0, 0));
  vt_test::post_command(choose, IDOK);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(choose); }, 10000));
}

class HotkeyProgramTest : public StartupTest {
 protected:
  void SetUp() override {
    StartupTest::SetUp();
    for (const char* name : {"Count", "Key0", "Key0Command", "Key1", "Key1Command"})
      guards_.emplace_back(new vt_test::SettingGuard(Hive::User, kSectionKeys, name));
    write_user_int(kSectionKeys, "Count", 0);
  }

  // Ctrl+Shift+F10 records and Ctrl+Shift+F11 stops (Ctrl+Alt with an F-key switches X
  // consoles); one finished recording results.
  void record_and_stop_by_hotkey(const std::string& folder) {
    const std::vector<std::string> before = wav_files_in(folder);
    HWND window = running_window();
    ASSERT_TRUE(wait_until([&] { return IsWindowVisible(window) && IsWindowEnabled(window); }, 10000));
    ASSERT_TRUE(key_into_running_copy("ctrl+shift+F10"));
    std::string path;
    ASSERT_TRUE(wait_until([&] {
      for (const std::string& file : wav_files_in(folder))
        if (std::find(before.begin(), before.end(), file) == before.end() && file_size(file) > 64 * 1024) path = file;
      return !path.empty();
    }, 20000)) << "the hotkey did not start a recording: " << vt_test::save_screenshot("hotkey_not_recording");
    ASSERT_TRUE(key_into_running_copy("ctrl+shift+F11"));
    const bool finished = wait_until([&] { return riff_size_field(path) == file_size(path) - 8; }, 15000);
    EXPECT_TRUE(finished) << "the hotkey did not finish the recording: " << vt_test::save_screenshot("hotkey_not_stopped");
    EXPECT_GT(seconds_in(path), 0.5);
  }
};

TEST_F(HotkeyProgramTest, BindingsMadeOnTheCommandsPageRecordAndStopAndSurviveARestart) {
  HWND window = start_first_copy();
  ASSERT_NE(nullptr, window);
  vt_test::post_command(window, IDM_OPTIONS);
  HWND sheet = vt_test::find_window(kDialogClass, "Options", 10000);
  ASSERT_NE(nullptr, sheet);
  SendMessageA(sheet, PSM_SETCURSEL, 4, 0);
  HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  ASSERT_NE(nullptr, GetDlgItem(page, IDC_COMMANDS_LIST));

  // A bare letter is refused in the capture dialog, which says why.
  vt_test::post_command(page, IDC_COMMANDS_ADD);
  HWND capture = vt_test::find_window(kDialogClass, "Appuyez sur une touche", 10000);
  ASSERT_NE(nullptr, capture);
  press_into_capture("r");
  EXPECT_TRUE(wait_until([&] {
    return vt_test::control_text(capture, IDC_KEY_CHANGE_TEXT).find("Ctrl ou Alt") != std::string::npos;
  }, 5000));
  EXPECT_TRUE(IsWindow(capture));
  press_into_capture("Escape");
  ASSERT_TRUE(wait_until([&] { return !IsWindow(capture); }, 5000));
  EXPECT_EQ(0, read_user_int(kSectionKeys, "Count", 0));

  add_binding(page, "ctrl+shift+F10", 0);  // Enreg.
  add_binding(page, "ctrl+shift+F11", 3);  // Stop
  HWND rows = GetDlgItem(page, IDC_COMMANDS_LIST);
  EXPECT_TRUE(wait_until([&] { return SendMessageA(rows, LVM_GETITEMCOUNT, 0, 0) == 2; }, 5000));
  PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(sheet); }, 10000));
  EXPECT_EQ(2, read_user_int(kSectionKeys, "Count", 0));
  ASSERT_EQ(kKeyCtrl | kKeyShift | VK_F10, read_user_int(kSectionKeys, "Key0", 0)) << "the capture took another chord";
  ASSERT_EQ(kKeyCtrl | kKeyShift | VK_F11, read_user_int(kSectionKeys, "Key1", 0)) << "the capture took another chord";
  ASSERT_EQ(0, read_user_int(kSectionKeys, "Key0Command", -1));
  ASSERT_EQ(3, read_user_int(kSectionKeys, "Key1Command", -1));

  record_and_stop_by_hotkey(folder_);

  ASSERT_TRUE(forward("-exit"));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first_, 15000));
  ASSERT_NE(nullptr, start_first_copy());
  record_and_stop_by_hotkey(folder_);
  EXPECT_EQ(2u, wav_files_in(folder_).size());
}

// A top-level dialog of the program, other than its main window, whose message holds
// `text`; null when none appeared within `timeout_ms`.
HWND program_box_saying(const std::string& text, int timeout_ms) {
  HWND found = nullptr;
  wait_until([&] {
    for (HWND at = nullptr; (at = FindWindowExA(nullptr, at, kDialogClass, kTitle)) != nullptr;)
      if (GetDlgItem(at, IDC_RECORD) == nullptr && vt_test::static_texts(at).find(text) != std::string::npos) {
        found = at;
        return true;
      }
    return false;
  }, timeout_ms);
  return found;
}

// The system refuses the second binding of one chord. A scheduled start with a time
// limit must still run to its end unattended; the refusal is told when the person opens
// the "Commandes" page, once.
TEST_F(HotkeyProgramTest, RefusedBindingNeverHoldsUpAStartAndIsToldOnceOnTheCommandsPage) {
  write_user_int(kSectionKeys, "Count", 2);
  write_user_int(kSectionKeys, "Key0", kKeyCtrl | kKeyShift | VK_F9);
  write_user_int(kSectionKeys, "Key0Command", 1);
  write_user_int(kSectionKeys, "Key1", kKeyCtrl | kKeyShift | VK_F9);
  write_user_int(kSectionKeys, "Key1Command", 1);
  // As the log-on entry or a scheduled task starts it: recording at once, for 3 s.
  ASSERT_NE(nullptr, start("-logon -ms 3000"));
  std::string path;
  ASSERT_TRUE(wait_until([&] {
    std::vector<std::string> files = wav_files_in(folder_);
    if (files.size() == 1) path = files[0];
    return !path.empty();
  }, 30000)) << "the start-up rule did not record";
  EXPECT_TRUE(wait_until([&] { return running_window() == nullptr && riff_size_field(path) == file_size(path) - 8; },
                         40000))
      << "the -ms limit did not end the program: " << vt_test::save_screenshot("refused_hotkey_start");
  EXPECT_GT(seconds_in(path), 1.0);

  HWND window = start_first_copy();
  ASSERT_NE(nullptr, window);
  for (int opening = 0; opening < 2; ++opening) {
    SCOPED_TRACE(opening);
    ASSERT_TRUE(wait_until([&] { return IsWindowVisible(window) && IsWindowEnabled(window); }, 10000));
    vt_test::post_command(window, IDM_OPTIONS);
    HWND sheet = vt_test::find_window(kDialogClass, "Options", 10000);
    ASSERT_NE(nullptr, sheet);
    // The page is made and has posted anything it has to tell by the time this returns;
    // the OK posted after it comes behind that.
    SendMessageA(sheet, PSM_SETCURSEL, 4, 0);
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    ASSERT_NE(nullptr, GetDlgItem(page, IDC_COMMANDS_LIST));
    EXPECT_EQ(2, SendDlgItemMessageA(page, IDC_COMMANDS_LIST, LVM_GETITEMCOUNT, 0, 0));
    if (opening == 0) {
      HWND box = program_box_saying("Ctrl+Shift+F9", 10000);
      ASSERT_NE(nullptr, box) << "the refused binding was not told on the page";
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      ASSERT_TRUE(wait_until([&] { return !IsWindow(box); }, 10000));
    }
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    // Told a second time, the box would hold the sheet open.
    EXPECT_TRUE(wait_until([&] { return !IsWindow(sheet); }, 10000)) << vt_test::save_screenshot("refused_told_again");
    HWND again = program_box_saying("Ctrl+Shift+F9", 0);
    if (again) PostMessageA(again, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(nullptr, again);
  }
}

TEST_F(HotkeyProgramTest, AboutMenuOpensTheAboutWindow) {
  HWND window = start_first_copy();
  ASSERT_NE(nullptr, window);
  vt_test::post_command(window, 9090);
  HWND about = vt_test::find_window(kDialogClass, "A propos de Vocatrack Sound Recorder", 10000);
  ASSERT_NE(nullptr, about);
  EXPECT_TRUE(wait_until([&] { return vt_test::control_text(about, IDC_ABOUT_VERSION) == "Version 2.01"; }, 5000));
  vt_test::post_command(about, IDOK);
  EXPECT_TRUE(wait_until([&] { return !IsWindow(about); }, 5000));
}

TEST_F(HotkeyProgramTest, FirstStartShowsTheSetupWizardOnceAndNotDuringARecording) {
  write_setting(kInstallWizRun, false);
  write_setting(kRecordWhenRun, true);  // recording at once: the wizard waits for the stop
  HWND window = start_first_copy();
  ASSERT_NE(nullptr, window);
  ASSERT_FALSE(recording_growing_past(folder_, 64 * 1024).empty());
  const char kWizard[] = "Connexion micro et volume d'enregistrement";
  EXPECT_EQ(nullptr, vt_test::find_window(kDialogClass, kWizard, 2500));
  ASSERT_TRUE(forward("-done"));
  HWND wizard = vt_test::find_window(kDialogClass, kWizard, 15000);
  ASSERT_NE(nullptr, wizard);
  vt_test::save_screenshot("setup_wizard_first_start");
  PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(wizard); }, 10000));
  EXPECT_TRUE(wait_until([] { return read_setting(kInstallWizRun); }, 5000));

  write_setting(kRecordWhenRun, false);
  ASSERT_TRUE(forward("-exit"));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first_, 15000));
  ASSERT_NE(nullptr, start_first_copy());
  EXPECT_EQ(nullptr, vt_test::find_window(kDialogClass, kWizard, 2500));
}

}  // namespace
}  // namespace vt
