// The program itself delivering what it records: a recording made through the
// switches arrives by mirror copy, SMTP (aiosmtpd with AUTH LOGIN), FTP (pyftpdlib)
// and the external program, byte for byte; and a program killed again and again
// while it delivers a ten-record list loses no record.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/linux_process.h"
#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"
#include "win/settings_win.h"

namespace vt {
namespace {

using vt_test::wait_until;

const char kTitle[] = "Vocatrack Sound Recorder";

std::string text_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

int64_t file_size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The external programs the test's program started: one whose parent was killed while
// it started can be left waiting under Wine, holding the test's output open.
void end_standins() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (lstrcmpiA(entry.szExeFile, "vt_standin.exe") != 0) continue;
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
      TerminateProcess(process, 1);
      WaitForSingleObject(process, 5000);
      CloseHandle(process);
    }
  }
  CloseHandle(snapshot);
}

int lines_in(const std::string& path) {
  std::string text = text_of(path);
  int count = 0;
  for (char c : text) count += c == '\n';
  return count;
}

class DeliveryProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"OutputFolder", "Format", "PromptForName", "RecordTone", "StoppedTone", "VoiceActivate",
                             "CheckMaxTime", "LaunchPlayWhenStop", "InstallWizRun", "ShowRecordingsList",
                             "WarnSpaceBelow", "RecordWhenRun"})
      guards_.emplace_back(new vt_test::SettingGuard(Hive::User, "Settings", name));
    for (const char* name : {"SendFolder", "SendFolderDir", "SendEmail", "SendFtp", "SendRun", "SendRunExe"})
      guards_.emplace_back(new vt_test::SettingGuard(Hive::Machine, "Settings", name));
    for (const char* name : {"To", "ReplyToEmail", "UseMAPI", "MailSMTPHost"})
      guards_.emplace_back(new vt_test::SettingGuard(Hive::Machine, "Email", name));
    for (const char* name : {"Server", "UserName", "Password", "Directory"})
      guards_.emplace_back(new vt_test::SettingGuard(Hive::Machine, "Ftp", name));
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = vt_test::scratch_folder(name);
    linux_folder_ = vt_test::build_dir() + "/test-scratch/" + name;
    write_setting(kOutputFolder, folder_.c_str());
    write_setting(kFormat, 0);
    for (const BoolSetting* off : {&kPromptForName, &kRecordTone, &kStoppedTone, &kVoiceActivate, &kCheckMaxTime,
                                   &kLaunchPlayWhenStop, &kShowRecordingsList, &kRecordWhenRun})
      write_setting(*off, false);
    write_setting(kInstallWizRun, true);
    write_setting(kWarnSpaceBelow, 0);
    for (const BoolSetting* method : {&kSendFolder, &kSendEmail, &kSendFtp, &kSendRun}) write_setting(*method, false);
    list_ = shared_data_folder() + "\\bgsend.lst";
    DeleteFileA(list_.c_str());
    standin_ = vt_test::windows_path(vt_test::build_dir() + "/tests/win32/vt_standin.exe");
    program_log_ = folder_ + "\\program.log";
    SetEnvironmentVariableA("VT_STANDIN_LOG", program_log_.c_str());
    SetEnvironmentVariableA("VT_STANDIN_STAY_EVENT", nullptr);
    ASSERT_EQ(nullptr, FindWindowA("#32770", kTitle)) << "a copy of the program is already running";
  }
  void TearDown() override {
    end_program();
    end_standins();
    guards_.clear();
    DeleteFileA(list_.c_str());
    vt_test::remove_tree(folder_);
  }

  HANDLE start(const std::string& arguments) {
    std::string line = "\"" + vt_test::windows_path(vt_test::build_dir() + "/app/vocatrack.exe") + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      ADD_FAILURE() << "cannot start " << line;
      return nullptr;
    }
    CloseHandle(info.hThread);
    return info.hProcess;
  }
  bool forward(const std::string& switches) {
    HANDLE copy = start(switches);
    bool ended = copy && WaitForSingleObject(copy, 30000) == WAIT_OBJECT_0;
    if (copy) CloseHandle(copy);
    return ended;
  }
  void start_program() {
    program_ = start("");
    ASSERT_NE(nullptr, vt_test::find_window("#32770", kTitle, 30000)) << "the main window did not appear";
  }
  // Ends the running copy at once, as a crash or a power cut would.
  void kill_program() {
    if (!program_) return;
    TerminateProcess(program_, 1);
    WaitForSingleObject(program_, 10000);
    CloseHandle(program_);
    program_ = nullptr;
  }
  void end_program() {
    if (!program_) return;
    forward("-exit");
    if (WaitForSingleObject(program_, 20000) != WAIT_OBJECT_0) TerminateProcess(program_, 1);
    CloseHandle(program_);
    program_ = nullptr;
  }

  std::vector<std::unique_ptr<vt_test::SettingGuard>> guards_;
  std::string folder_, linux_folder_, list_, standin_, program_log_;
  HANDLE program_ = nullptr;
};

TEST_F(DeliveryProgramTest, RecordingArrivesByMirrorSmtpFtpAndProgram) {
  std::string peers = vt_test::env("VT_SOURCE_DIR") + "/tests/peers";
  CreateDirectoryA((folder_ + "\\mail").c_str(), nullptr);
  CreateDirectoryA((folder_ + "\\ftp-root").c_str(), nullptr);
  CreateDirectoryA((folder_ + "\\mirror").c_str(), nullptr);
  vt_test::LinuxProcess smtp("exec /usr/bin/python3 " + peers + "/smtp_server.py '" + linux_folder_ +
                             "/mail' jean@example.org secret");
  vt_test::LinuxProcess ftp("exec /usr/bin/python3 " + peers + "/ftp_server.py '" + linux_folder_ +
                            "/ftp-root' marie secret 21");
  ASSERT_TRUE(smtp.start());
  ASSERT_TRUE(ftp.start());
  ASSERT_TRUE(wait_until([&] { return file_size(folder_ + "\\mail\\port") > 0; }, 30000)) << "aiosmtpd";
  ASSERT_TRUE(wait_until([&] { return file_size(folder_ + "\\ftp-ready") > 0; }, 30000)) << "pyftpdlib";

  write_setting(kSendFolder, true);
  write_setting(kSendFolderDir, (folder_ + "\\mirror").c_str());
  write_setting(kSendEmail, true);
  write_setting(kEmailUseMapi, false);
  write_setting(kEmailSmtpHost, ("jean@example.org:secret@127.0.0.1:" + text_of(folder_ + "\\mail\\port")).c_str());
  write_setting(kEmailTo, "dest@example.org");
  write_setting(kEmailReplyTo, "enregistreur@example.org");
  write_setting(kSendFtp, true);
  write_setting(kFtpServer, "127.0.0.1");
  write_setting(kFtpUserName, "marie");
  write_setting(kFtpPassword, "secret");
  write_setting(kFtpDirectory, "/");
  write_setting(kSendRun, true);
  write_setting(kSendRunExe, ("\"" + standin_ + "\" companion \"%s\"").c_str());

  std::unique_ptr<vt_test::LinuxProcess> tone(vt_test::start_steady_tone());
  start_program();
  const std::string take = folder_ + "\\Prise 1.wav";
  ASSERT_TRUE(forward("-recordfile \"" + take + "\""));
  ASSERT_TRUE(wait_until([&] { return file_size(take) > 64 * 1024; }, 20000));
  ASSERT_TRUE(forward("-done"));
  tone.reset();

  // The external program runs last: once it has, every method has run.
  ASSERT_TRUE(wait_until([&] { return lines_in(program_log_) >= 1; }, 90000)) << "the program was not started";
  const std::string recorded = text_of(take);
  ASSERT_GT(recorded.size(), 64u * 1024);
  EXPECT_EQ("companion \"" + standin_ + "\" companion \"" + take + "\"\n", text_of(program_log_));
  EXPECT_TRUE(text_of(folder_ + "\\mirror\\Prise 1.wav") == recorded) << "mirror copy";
  EXPECT_TRUE(text_of(folder_ + "\\ftp-root\\Prise 1.wav") == recorded) << "FTP upload";
  ASSERT_TRUE(wait_until([&] { return file_size(folder_ + "\\mail\\1.eml") > 0; }, 10000)) << "no mail";
  ASSERT_EQ(0, vt_test::run_linux("/usr/bin/python3 " + peers + "/mail_check.py '" + linux_folder_ +
                                  "/mail/1.eml' '" + linux_folder_ + "/seen'"));
  EXPECT_EQ("Vocatrack Sound Recorder - Enregistrement envoy\xc3\xa9 par Email  Prise 1.wav",
            text_of(folder_ + "\\seen.subject"));
  EXPECT_TRUE(text_of(folder_ + "\\seen.0") == recorded) << "mail attachment";
  EXPECT_TRUE(wait_until([&] { return file_size(list_) == 0; }, 10000)) << "the list is not empty";
  smtp.kill();
  ftp.kill();
}

TEST_F(DeliveryProgramTest, KilledAgainAndAgainWhileDeliveringLosesNoRecord) {
  // Ten recordings queued by an earlier run; the external program records each delivery.
  std::string list = {1, 0, 0, 0, 4, 1, 0, 0};
  std::vector<std::string> paths;
  for (int i = 0; i < 10; ++i) {
    std::string path = folder_ + "\\Prise " + std::to_string(i) + ".wav";
    std::ofstream(path, std::ios::binary) << std::string(1000 + i, static_cast<char>(i));
    paths.push_back(path);
    std::string record = path;
    record.resize(260, '\0');
    list += record;
  }
  std::ofstream(list_, std::ios::binary) << list;
  write_setting(kSendRun, true);
  write_setting(kSendRunExe, ("\"" + standin_ + "\" companion \"%s\"").c_str());

  int kills = 0;
  for (int target = 2; target <= 8; target += 2) {
    start_program();
    // Killed only once this run has taken a record off the list: the list is then
    // no longer counted as found pending at an earlier start.
    const int64_t at_start = file_size(list_);
    ASSERT_TRUE(wait_until([&] { return file_size(list_) < at_start && lines_in(program_log_) >= target; }, 60000))
        << "no progress after restart " << kills;
    kill_program();
    ++kills;
  }
  start_program();
  ASSERT_TRUE(wait_until([&] { return file_size(list_) == 0; }, 90000)) << "the list was not emptied";
  std::string log = text_of(program_log_);
  int deliveries = 0;
  for (const std::string& path : paths) {
    size_t count = 0;
    for (size_t at = 0; (at = log.find("\"" + path + "\"", at)) != std::string::npos; ++at) ++count;
    EXPECT_GE(count, 1u) << path << " was never delivered";
    deliveries += static_cast<int>(count);
  }
  // Each kill may make the record being delivered go again from its start.
  EXPECT_LE(deliveries, 10 + kills);
}

// The top-level windows of a process: its failure boxes are dialogs captioned with the
// product title that, unlike its main window, have no status panel (111).
std::vector<HWND> failure_boxes_of(DWORD process_id) {
  std::vector<HWND> boxes;
  HWND at = nullptr;
  while ((at = FindWindowExA(nullptr, at, "#32770", kTitle)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(at, &owner);
    if (owner == process_id && IsWindowVisible(at) && !GetDlgItem(at, 111)) boxes.push_back(at);
  }
  return boxes;
}

// A scheduled start records with a time limit while an earlier run's record fails its
// delivery: the failure box stays up, unanswered, and still the limit stops the
// recording and the program ends. The record whose box went unread stays listed for
// the next start, before the new recording.
TEST_F(DeliveryProgramTest, FailureBoxLeftUpHoldsNeitherTheTimeLimitNorTheExit) {
  write_setting(kStoppedTone, true);
  write_setting(kRecordTone, true);
  write_setting(kSendFolder, true);
  write_setting(kSendFolderDir, (folder_ + "\\absent").c_str());
  const std::string earlier = folder_ + "\\Plus ancien.wav";
  { std::ofstream(earlier, std::ios::binary) << "RIFF"; }
  {
    std::string list("\x01\x00\x00\x00\x04\x01\x00\x00", 8);
    std::string record = earlier;
    record.resize(260, '\0');
    std::ofstream(list_, std::ios::binary) << list << record;
  }
  std::unique_ptr<vt_test::LinuxProcess> tone(vt_test::start_steady_tone());
  const std::string take = folder_ + "\\lat.wav";
  HANDLE first = start("-recordfile \"" + take + "\" -ms 5000");
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first, 30000));
  CloseHandle(first);
  HWND window = vt_test::find_window("#32770", kTitle, 30000);
  ASSERT_NE(nullptr, window);
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  program_ = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id);
  ASSERT_NE(nullptr, program_);
  ASSERT_TRUE(wait_until([&] { return !failure_boxes_of(id).empty(); }, 30000)) << "no failure box";

  // Left up: the program ends by itself, its recording finished at the limit.
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(program_, 25000)) << "the box held the limit or the exit";
  CloseHandle(program_);
  program_ = nullptr;
  const int64_t size = file_size(take);
  ASSERT_GT(size, 44);
  std::string header = text_of(take).substr(0, 8);
  EXPECT_EQ(size - 8, *reinterpret_cast<const int32_t*>(header.data() + 4)) << "not finished";
  EXPECT_LT(size, 44 + 44100 * 2 * 9) << "recorded well past its 5 s";

  std::string list = text_of(list_);
  ASSERT_EQ(8u + 2 * 260, list.size());
  EXPECT_EQ(earlier, std::string(list.c_str() + 8));
  EXPECT_EQ(take, std::string(list.c_str() + 8 + 260));
}

}  // namespace
}  // namespace vt
