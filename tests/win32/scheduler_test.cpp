// Scheduled recordings in the program itself: a one-shot -at forwarded to the running
// copy records the played tone for its duration into the named file, a refused -at
// records nothing, a daily entry survives a restart, and a program started inside a
// slot records the rest of it. Slots start on whole minutes, so a test waits up to a
// minute and a quarter for one.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "formats/file_readers.h"
#include "tests/support/linux_process.h"
#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"
#include "win/settings_win.h"

namespace vt {
namespace {

using vt_test::wait_until;

const char kTitle[] = "Vocatrack Sound Recorder";
const char kScheduleKey[] = "Software\\Ardentine\\Vocatrack\\Schedule";

std::string program_path() { return vt_test::windows_path(vt_test::build_dir() + "/app/vocatrack.exe"); }
HWND running_window() { return FindWindowA("#32770", kTitle); }

int64_t file_size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<std::string> files_in(const std::string& folder) {
  std::vector<std::string> found;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*.wav").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return found;
  do found.push_back(entry.cFileName);
  while (FindNextFileA(find, &entry));
  FindClose(find);
  return found;
}

// A finished WAV file: its RIFF size matches the file; its length and peak.
struct Recorded {
  bool finished = false;
  double seconds = -1;
  int peak = 0;
};

Recorded look_at(const std::string& path) {
  Recorded r;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return r;
  unsigned char head[8] = {};
  DWORD read = 0;
  ReadFile(file, head, sizeof head, &read, nullptr);
  CloseHandle(file);
  const int64_t riff = head[4] | (head[5] << 8) | (head[6] << 16) | (static_cast<int64_t>(head[7]) << 24);
  r.finished = read == 8 && riff == file_size(path) - 8;
  SourceRef source = open_audio_file(path);
  if (source->status != kSourceOk || source->sample_rate <= 0) return r;
  r.seconds = static_cast<double>(source->length()) / source->sample_rate;
  // Samples come scaled to 20 bits; the peak is counted in 16-bit steps.
  std::vector<int32_t> samples(4096 * static_cast<size_t>(source->channels));
  for (int32_t done = 0, length = source->length(); done < length; done += 4096) {
    source->read(samples.data(), 4096);
    for (int32_t sample : samples) r.peak = std::max(r.peak, std::abs(sample) / 16);
  }
  return r;
}

// The local time now, and a start on a whole minute at least `lead_s` seconds away.
SYSTEMTIME local_now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return t;
}

std::string minute_text(const SYSTEMTIME& t, bool dated) {
  char text[32];
  if (dated)
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
  else
    std::snprintf(text, sizeof text, "%02d:%02d", t.wHour, t.wMinute);
  return text;
}

SYSTEMTIME add_seconds(SYSTEMTIME t, int seconds) {
  FILETIME ft;
  SystemTimeToFileTime(&t, &ft);
  ULARGE_INTEGER v;
  v.LowPart = ft.dwLowDateTime, v.HighPart = ft.dwHighDateTime;
  v.QuadPart += static_cast<ULONGLONG>(seconds) * 10000000ULL;
  ft.dwLowDateTime = v.LowPart, ft.dwHighDateTime = v.HighPart;
  FileTimeToSystemTime(&ft, &t);
  return t;
}

SYSTEMTIME next_minute_after(int lead_s) {
  SYSTEMTIME t = add_seconds(local_now(), lead_s + 59);
  t.wSecond = 0, t.wMilliseconds = 0;
  return t;
}

void write_user_value(const char* name, const std::string& value) { write_user_text("Schedule", name, value.c_str()); }
std::string read_user_value(const char* name) {
  char text[kSettingTextBytes];
  read_user_text("Schedule", name, text, "");
  return text;
}

class SchedulerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { tone_ = vt_test::start_steady_tone(); }
  static void TearDownTestSuite() {
    delete tone_;
    tone_ = nullptr;
  }

  void SetUp() override {
    ASSERT_NE(nullptr, tone_) << "no tone player";
    static const char* const kUserValues[] = {"OutputFolder", "Format", "PromptForName", "FileNameFormat",
                                              "RecordTone", "StoppedTone", "VoiceActivate", "CheckMaxTime",
                                              "LaunchPlayWhenStop", "InstallWizRun", "IntervalTone",
                                              "ShowRecordingsList", "WarnSpaceBelow", "RecordWhenRun"};
    for (const char* name : kUserValues) guards_.emplace_back(new vt_test::SettingGuard(Hive::User, "Settings", name));
    guards_.emplace_back(new vt_test::SettingGuard(Hive::Machine, "Settings", "RecordDevice"));
    RegDeleteTreeA(HKEY_CURRENT_USER, kScheduleKey);
    folder_ = vt_test::scratch_folder("scheduler-test");
    write_setting(kOutputFolder, folder_.c_str());
    write_setting(kFormat, 0);
    write_setting(kPromptForName, false);
    write_setting(kFileNameFormat, "Untitled %autonumber%");
    write_setting(kRecordTone, false);
    write_setting(kStoppedTone, false);
    write_setting(kVoiceActivate, false);
    write_setting(kCheckMaxTime, false);
    write_setting(kLaunchPlayWhenStop, false);
    write_setting(kInstallWizRun, true);
    write_setting(kIntervalTone, false);
    write_setting(kShowRecordingsList, false);
    write_setting(kWarnSpaceBelow, 0);
    write_setting(kRecordWhenRun, false);
    write_setting(kRecordDevice, 0);
    ASSERT_EQ(nullptr, running_window()) << "a copy of the program is already running";
  }

  void TearDown() override {
    end_running_copy();
    for (HANDLE process : processes_) {
      if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) TerminateProcess(process, 1);
      WaitForSingleObject(process, 10000);
      CloseHandle(process);
    }
    processes_.clear();
    RegDeleteTreeA(HKEY_CURRENT_USER, kScheduleKey);
    guards_.clear();
    vt_test::remove_tree(folder_);
  }

  HANDLE start(const std::string& arguments) {
    std::string line = "\"" + program_path() + "\"" + (arguments.empty() ? "" : " " + arguments);
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

  HWND start_first_copy() {
    if (!start("")) return nullptr;
    HWND window = vt_test::find_window("#32770", kTitle, 30000);
    EXPECT_NE(nullptr, window) << "the main window did not appear";
    return window;
  }

  bool forward(const std::string& switches) {
    HANDLE second = start(switches);
    return second && WaitForSingleObject(second, 30000) == WAIT_OBJECT_0;
  }

  // Ends the running copy by its process, as a crash or a shutdown would.
  void end_running_copy() {
    HWND window = running_window();
    if (!window) return;
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = id ? OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id) : nullptr;
    if (!process) return;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
    wait_until([] { return running_window() == nullptr; }, 10000);
  }

  // Waits for `path` to appear, then to be finished: its header written at the stop and
  // the file no longer growing for two seconds.
  Recorded wait_finished(const std::string& path, int appear_ms, int finish_ms) {
    if (!wait_until([&] { return file_size(path) > 0; }, appear_ms)) return Recorded();
    int64_t last = -1;
    DWORD since = GetTickCount();
    wait_until([&] {
      const int64_t size = file_size(path);
      if (size != last) last = size, since = GetTickCount();
      return GetTickCount() - since >= 2000 && look_at(path).finished;
    }, finish_ms);
    return look_at(path);
  }

  static vt_test::LinuxProcess* tone_;
  std::vector<std::unique_ptr<vt_test::SettingGuard>> guards_;
  std::vector<HANDLE> processes_;
  std::string folder_;
};

vt_test::LinuxProcess* SchedulerTest::tone_ = nullptr;

TEST_F(SchedulerTest, ForwardedAtRecordsTheToneForItsDurationIntoItsFileAndAPastAtNothing) {
  ASSERT_NE(nullptr, start_first_copy());
  // A time gone by is refused: no entry, no recording, now or later.
  ASSERT_TRUE(forward("-at \"2001-02-03 04:05\" -record"));
  ASSERT_TRUE(forward("-at 25:61 -record"));
  EXPECT_TRUE(read_user_value("Count").empty());

  const SYSTEMTIME at = next_minute_after(15);
  const std::string target = folder_ + "\\Programme.wav";
  const DWORD forwarded = GetTickCount();
  ASSERT_TRUE(forward("-at \"" + minute_text(at, true) + "\" -recordfile \"" + target + "\" -ms 6000"));
  EXPECT_EQ("1", read_user_value("Count"));
  // Nothing starts before its time.
  EXPECT_EQ(-1, file_size(target));
  const Recorded r = wait_finished(target, 120000, 30000);
  EXPECT_GT(GetTickCount() - forwarded, 14000u) << "started before its time";
  EXPECT_TRUE(r.finished) << target;
  // Stopped on time; the start loses what opening the device takes under Wine on a loaded
  // machine (seen up to 2 s).
  EXPECT_GT(r.seconds, 3.0);
  EXPECT_LT(r.seconds, 6.6);
  EXPECT_GT(r.peak, 1000) << "the tone is not in the recording";
  // The one-shot entry is gone once started; nothing else was recorded.
  EXPECT_TRUE(wait_until([] { return read_user_value("Count") == "0"; }, 10000));
  EXPECT_EQ(1u, files_in(folder_).size());
}

TEST_F(SchedulerTest, DailyEntryMadeBeforeARestartRecordsByItsPatternAfterIt) {
  const SYSTEMTIME at = next_minute_after(25);
  ASSERT_NE(nullptr, start_first_copy());
  // The entry as the options page stores it, made while the program runs; it is seen at
  // the next look (here: the restart).
  write_user_value("Entry0Date", "0");
  char hhmm[8];
  std::snprintf(hhmm, sizeof hhmm, "%d", at.wHour * 100 + at.wMinute);
  write_user_value("Entry0Time", hhmm);
  write_user_value("Entry0Duration", "5");
  write_user_value("Entry0Repeat", "1");
  write_user_value("Entry0Pattern", "Quotidien %autonumber%");
  char minute[24];
  std::snprintf(minute, sizeof minute, "%lld", static_cast<long long>(time(nullptr) / 60 - 1));
  write_user_value("Entry0Done", minute);
  write_user_value("Count", "1");
  end_running_copy();
  ASSERT_NE(nullptr, start_first_copy());

  const std::string path = folder_ + "\\Quotidien 01.wav";
  const Recorded r = wait_finished(path, 120000, 30000);
  EXPECT_TRUE(r.finished) << path;
  EXPECT_GT(r.seconds, 2.5);
  EXPECT_LT(r.seconds, 5.6);
  EXPECT_GT(r.peak, 1000);
  // A daily entry stays, marked done for today: a restart now does not record it again.
  EXPECT_EQ("1", read_user_value("Count"));
  end_running_copy();
  ASSERT_NE(nullptr, start_first_copy());
  EXPECT_FALSE(wait_until([&] { return files_in(folder_).size() > 1; }, 5000));
}

TEST_F(SchedulerTest, StartedInsideASlotRecordsTheRestOfIt) {
  // A slot that began this minute (or the one before, near a minute's end) and lasts 25 s
  // past now: the program records from its start to the slot's end, no more.
  SYSTEMTIME now = local_now();
  if (now.wSecond > 45) {
    wait_until([] { return local_now().wSecond < 10; }, 20000);
    now = local_now();
  }
  const int into = now.wSecond;
  char hhmm[8];
  std::snprintf(hhmm, sizeof hhmm, "%d", now.wHour * 100 + now.wMinute);
  write_user_value("Entry0Date", "0");
  write_user_value("Entry0Time", hhmm);
  write_user_value("Entry0Duration", std::to_string(into + 25));
  write_user_value("Entry0Repeat", "1");
  write_user_value("Entry0Pattern", "Rattrapage %autonumber%");
  write_user_value("Entry0Done", std::to_string(time(nullptr) / 60 - 2));
  write_user_value("Count", "1");
  const DWORD started = GetTickCount();
  ASSERT_NE(nullptr, start_first_copy());
  const std::string path = folder_ + "\\Rattrapage 01.wav";
  const Recorded r = wait_finished(path, 20000, 60000);
  const double elapsed = (GetTickCount() - started) / 1000.0;
  EXPECT_TRUE(r.finished) << path;
  EXPECT_GT(r.seconds, 10.0);
  EXPECT_LT(r.seconds, 25.6);
  EXPECT_LT(r.seconds, elapsed);
  EXPECT_GT(r.peak, 1000);
  EXPECT_FALSE(wait_until([&] { return files_in(folder_).size() > 1; }, 3000)) << "recorded twice";
}

}  // namespace
}  // namespace vt
