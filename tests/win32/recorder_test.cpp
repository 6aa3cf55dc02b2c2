// The recorder driven through its window, recording for real: a tone plays into the
// PulseAudio null sink whose monitor is the input, and the main window's buttons, keys
// and timers make files in a scratch destination folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "app/main_window_res.h"
#include "app/main_window_win.h"
#include "win/settings_win.h"
#include "formats/file_readers.h"
#include "tests/support/linux_process.h"
#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"
#include "ui/controls_win.h"
#include "ui/text_edit_dlg_res.h"

namespace vt {
namespace {

using vt_test::wait_until;

class HandOverLog : public RecordingDelivery {
 public:
  void recording_finished(const std::string& path) override { finished.push_back(path); }
  std::vector<std::string> finished;
};

// Runs the main window's own key handling, as the program's message loop does.
bool pump_until(MainWindow* main, const std::function<bool()>& condition, int timeout_ms) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (static_cast<int>(GetTickCount() - start) > timeout_ms) return condition();
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (main && main->window() && main->pre_translate_message(message)) continue;
      if (main && main->window() && IsDialogMessageA(main->window(), &message)) continue;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  }
  return true;
}

double seconds_in(const std::string& path) {
  SourceRef file = open_audio_file(path);
  if (file->status != kSourceOk) return -1;
  return static_cast<double>(file->length()) / file->sample_rate;
}

// Answers the next top-level dialog of this process whose text matches: reads its
// message, then presses `button`.
class DialogAnswerer {
 public:
  // `title` null: any dialog but `except` (the main window is a dialog too).
  DialogAnswerer(const char* title, int button, const std::string& typed = std::string(), int edit_id = 0,
                 HWND except = nullptr)
      : thread_([=] {
          HWND dialog = nullptr;
          auto find = [&] {
            HWND at = nullptr;
            while ((at = FindWindowExA(nullptr, at, "#32770", title)) != nullptr)
              if (at != except && IsWindowVisible(at)) return dialog = at;
            return dialog = nullptr;
          };
          vt_test::wait_until([&] { return find() != nullptr; }, 15000);
          if (!dialog) return;
          // The message is the dialog's longest static text (the icon is a static too).
          for (HWND text = nullptr; (text = FindWindowExA(dialog, text, "Static", nullptr)) != nullptr;) {
            std::string candidate = vt_test::window_text(text);
            if (candidate.size() > message.size()) message = candidate;
          }
          if (edit_id) SetDlgItemTextA(dialog, edit_id, typed.c_str());
          PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
          answered = true;
        }) {}
  ~DialogAnswerer() { thread_.join(); }
  std::string message;
  bool answered = false;

 private:
  std::thread thread_;
};

// The stay-awake requests, in order (Wine's SetThreadExecutionState does nothing).
class AwakeLog : public StayAwake {
 public:
  void stay_awake(bool on) override { calls.push_back(on); }
  std::vector<bool> calls;
};

// Seconds of audio as sox reads the file (a Linux path).
double sox_seconds(const std::string& linux_path) {
  vt_test::LinuxProcess probe("sox --i -D '" + linux_path + "' > '" + linux_path + ".len'");
  if (!probe.start()) return -1;
  int status = -1;
  if (!probe.wait(30000, &status) || status != 0) return -1;
  FILE* in = fopen(vt_test::windows_path(linux_path + ".len").c_str(), "r");
  if (!in) return -1;
  double seconds = -1;
  if (fscanf(in, "%lf", &seconds) != 1) seconds = -1;
  fclose(in);
  return seconds;
}

// The largest 16-bit sample of the file's first `frames` frames.
int peak_of(const std::string& path, int frames) {
  SourceRef file = open_audio_file(path);
  if (file->status != kSourceOk) return -1;
  std::vector<int32_t> samples(static_cast<size_t>(frames) * file->channels);
  file->read(samples.data(), frames);
  int peak = 0;
  for (int32_t sample : samples) peak = std::max(peak, std::abs(sample) / 16);
  return peak;
}

class RecorderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    register_ui_controls(GetModuleHandleA(nullptr));
    // A steady tone at 0 dB for the whole suite; ended by its id afterwards.
    tone_ = vt_test::start_steady_tone();
  }
  static void TearDownTestSuite() {
    delete tone_;
    tone_ = nullptr;
  }

  void SetUp() override {
    static const char* const kUserValues[] = {"OutputFolder", "Format", "PromptForName", "FileNameFormat",
                                              "RecordTone", "StoppedTone", "VoiceActivate", "VoiceActivateLevel",
                                              "CheckMaxTime", "MaxTime", "StopReachMaxTime", "LaunchPlayWhenStop",
                                              "InstallWizRun", "IntervalTone", "ShowRecordingsList", "WarnSpaceBelow"};
    for (const char* name : kUserValues) guards_.emplace_back(new vt_test::SettingGuard(Hive::User, "Settings", name));
    for (const char* name : {"ResumeRecording", "StayAwake", "WarnSilence", "WarnSilenceSecs", "DeviceTimeoutSecs"})
      guards_.emplace_back(new vt_test::SettingGuard(Hive::User, "Settings", name));
    for (const char* name : {"RecordDevice", "MainWindowX", "MainWindowY", "ShowButtons"})
      guards_.emplace_back(new vt_test::SettingGuard(Hive::Machine, "Settings", name));
    folder_ = vt_test::build_dir() + "/recorder-test-" + std::to_string(GetTickCount());
    CreateDirectoryA(vt_test::windows_path(folder_).c_str(), nullptr);
    write_setting(kOutputFolder, vt_test::windows_path(folder_).c_str());
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
    write_setting(kRecordDevice, 0);
    write_setting(kWarnSpaceBelow, 0);
    for (const char* name : {"ConstantBitRate", "CBRBitRate"})
      guards_.emplace_back(new vt_test::SettingGuard(Hive::Machine, "MP3Encoder", name));
    recorder_.reset(new Recorder(GetModuleHandleA(nullptr)));
    RecorderNeighbours neighbours;
    neighbours.delivery = &hooks_;
    neighbours.awake = &awake_;
    recorder_->set_neighbours(neighbours);
    main_.reset(new MainWindow(GetModuleHandleA(nullptr), *recorder_));
    ASSERT_TRUE(main_->create({"vocatrack.exe"}));
    ShowWindow(main_->window(), SW_SHOW);
  }

  void TearDown() override {
    if (main_ && main_->window()) {
      HWND window = main_->window();
      recorder_->exit();
      pump_until(nullptr, [&] { return !IsWindow(window); }, 5000);
    }
    // The window's end posts WM_QUIT; left in the queue it would close the next test's
    // message boxes at once.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    main_.reset();
    recorder_.reset();
    guards_.clear();
  }

  bool recording_for(int ms) {
    int32_t start = -1;
    return pump_until(main_.get(), [&] {
      if (recorder_->engine_state() != kCaptureRecording) return false;
      int32_t now = recorded_ms();
      if (start < 0) start = now;
      return now - start >= ms;
    }, ms + 8000);
  }
  int32_t recorded_ms() const {
    const std::string& t = main_->status().time_text;  // h:mm:ss.hh
    int h = 0, m = 0, s = 0, hh = 0;
    sscanf(t.c_str(), "%d:%d:%d.%d", &h, &m, &s, &hh);
    return ((h * 60 + m) * 60 + s) * 1000 + hh * 10;
  }
  void key(int virtual_key) {
    PostMessageA(main_->window(), WM_KEYDOWN, virtual_key, 1);
    int rounds = 0;
    pump_until(main_.get(), [&] { return ++rounds > 2; }, 1000);  // the key is handled in the first round
  }
  bool stopped() { return pump_until(main_.get(), [&] { return recorder_->engine_state() == kCaptureStopped; }, 8000); }

  static vt_test::LinuxProcess* tone_;
  std::vector<std::unique_ptr<vt_test::SettingGuard>> guards_;
  std::string folder_;
  HandOverLog hooks_;
  AwakeLog awake_;
  std::unique_ptr<Recorder> recorder_;
  std::unique_ptr<MainWindow> main_;
};

vt_test::LinuxProcess* RecorderTest::tone_ = nullptr;

TEST_F(RecorderTest, RecordPauseRecordAppendsToOneFileAndStopHandsItOverOnce) {
  key(VK_F5);
  ASSERT_TRUE(recording_for(600));
  EXPECT_EQ("Untitled 01", main_->status().file_name);
  EXPECT_EQ(kDisplayRecording, main_->status().display_state);
  EXPECT_TRUE(recorder_->record_lit());
  const std::string path = recorder_->current_path();
  key(VK_F5);  // Record while recording does nothing
  EXPECT_EQ(path, recorder_->current_path());
  key(VK_F6);
  ASSERT_TRUE(stopped());
  EXPECT_TRUE(recorder_->pause_lit());
  EXPECT_EQ(path, recorder_->current_path());
  vt_test::click(main_->window(), IDC_RECORD);
  ASSERT_TRUE(recording_for(600));
  EXPECT_EQ(path, recorder_->current_path());
  key(VK_F7);
  ASSERT_TRUE(stopped());
  EXPECT_TRUE(recorder_->current_path().empty());
  ASSERT_EQ(1u, hooks_.finished.size());
  EXPECT_EQ(path, hooks_.finished[0]);
  EXPECT_GT(seconds_in(path), 1.1);  // both parts are in the file
  key(VK_F7);                        // Stop-and-mark when idle does nothing
  EXPECT_EQ(1u, hooks_.finished.size());
  EXPECT_EQ(kDisplayReady, main_->status().display_state);
}

TEST_F(RecorderTest, RestartWhileRecordingStartsTheFileAfresh) {
  key(VK_F5);
  ASSERT_TRUE(recording_for(3000));
  key(VK_HOME);
  ASSERT_TRUE(recording_for(400));
  key(VK_F7);
  ASSERT_EQ(1u, hooks_.finished.size());
  // Appended, the file would hold the first 3 s too; a loaded machine may add a
  // second before the stop key is handled.
  double length = seconds_in(hooks_.finished[0]);
  EXPECT_GT(length, 0.3);
  EXPECT_LT(length, 2.5);
}

TEST_F(RecorderTest, RestartWhilePausedClosesTheFileAndRecordStartsItEmpty) {
  key(VK_F5);
  ASSERT_TRUE(recording_for(1500));
  key(VK_F6);
  ASSERT_TRUE(stopped());
  const std::string path = recorder_->current_path();
  key(VK_HOME);
  EXPECT_TRUE(recorder_->reopen_pending());
  EXPECT_GT(seconds_in(path), 1.3);  // closed with its full header
  key(VK_F5);
  ASSERT_TRUE(recording_for(300));
  key(VK_F7);
  ASSERT_EQ(1u, hooks_.finished.size());
  EXPECT_LT(seconds_in(path), 1.2);
}

TEST_F(RecorderTest, PromptedNameIsCleaned) {
  write_setting(kPromptForName, true);
  {
    DialogAnswerer answer(nullptr, IDOK, "a.b:c", IDC_TEXT_EDIT_VALUE, main_->window());
    key(VK_F5);
    pump_until(main_.get(), [&] { return !recorder_->current_path().empty(); }, 15000);
  }
  EXPECT_EQ("abc", main_->status().file_name);
  ASSERT_TRUE(recording_for(200));
  key(VK_F7);
  ASSERT_EQ(1u, hooks_.finished.size());
  EXPECT_NE(std::string::npos, hooks_.finished[0].find("\\abc.wav"));
}

TEST_F(RecorderTest, MaximumTimeChainsFilesOfJustOverItsLength) {
  write_setting(kCheckMaxTime, true);
  write_setting(kMaxTime, "0:00:02");
  write_setting(kStopReachMaxTime, false);
  key(VK_F5);
  ASSERT_TRUE(pump_until(main_.get(), [&] { return hooks_.finished.size() >= 2; }, 20000));
  key(VK_F7);
  ASSERT_GE(hooks_.finished.size(), 3u);
  for (size_t i = 0; i + 1 < hooks_.finished.size(); ++i) {
    // Ended at the first time report beyond 2 s: 2.1 s at the earliest (a block is
    // 100 ms, a little less at rates not divisible by 10).
    double length = seconds_in(hooks_.finished[i]);
    EXPECT_GE(length, 2.095) << hooks_.finished[i];
    // A loaded machine may hand the time over a few blocks late.
    EXPECT_LT(length, 3.0) << hooks_.finished[i];
  }
  EXPECT_NE(hooks_.finished[0], hooks_.finished[1]);
}

TEST_F(RecorderTest, WriterThatCannotOpenLeavesTheRecorderIdle) {
  // A destination that is a file, not a folder.
  std::string blocker = folder_ + "/not-a-folder";
  CloseHandle(CreateFileA(vt_test::windows_path(blocker).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  write_setting(kOutputFolder, vt_test::windows_path(blocker).c_str());
  std::string message;
  {
    DialogAnswerer answer(nullptr, IDOK, std::string(), 0, main_->window());
    key(VK_F5);
    pump_until(main_.get(), [&] { return answer.answered; }, 15000);
    pump_until(main_.get(), [] { return false; }, 300);
    message = answer.message;
  }
  EXPECT_NE(std::string::npos, message.find("Vocatrack ne peut ouvrir le fichier \""));
  EXPECT_NE(std::string::npos, message.find("\" pour l'enregistrement.\r\n\r\nVeuillez vérifier que vous avez "
                                            "sélectionné le répertoire de destination adéquat dans paramètres."));
  EXPECT_TRUE(recorder_->current_path().empty());
  EXPECT_EQ(kCaptureStopped, recorder_->engine_state());
}

// The interval tone plays synchronously: a stored period of 0 or of letters must not
// fire it without pause and freeze the window.
TEST_F(RecorderTest, IntervalToneNeverComesMoreThanOncePerSecond) {
  guards_.emplace_back(new vt_test::SettingGuard(Hive::User, "Settings", "IntervalSecs"));
  struct PeriodLog : RecorderView {
    void start_interval_timer(UINT ms) override { periods.push_back(ms); }
    std::vector<UINT> periods;
  } log;
  write_setting(kIntervalTone, true);
  // A recorder of its own, shown by the log instead of a window.
  Recorder recorder(GetModuleHandleA(nullptr));
  RecorderNeighbours neighbours;
  neighbours.delivery = &hooks_;
  recorder.set_neighbours(neighbours);
  recorder.set_view(&log);
  for (const char* stored : {"0", "abc", "-5"}) {
    SCOPED_TRACE(stored);
    vt_test::write_raw_value(Hive::User, "Software\\Ardentine\\Vocatrack\\Settings", "IntervalSecs", REG_SZ, stored);
    recorder.record();
    recorder.pause();
    ASSERT_FALSE(log.periods.empty());
    EXPECT_EQ(1000u, log.periods.back());
  }
  recorder.stop_and_mark();
  recorder.set_view(nullptr);
}

TEST_F(RecorderTest, RecordFileIntoAPathThatCannotOpenFinishesAndHandsOnTheRecordingInProgress) {
  const std::string first = vt_test::windows_path(folder_ + "/first.wav");
  recorder_->record_file(first);
  ASSERT_TRUE(recording_for(600));
  {
    DialogAnswerer answer(nullptr, IDOK, std::string(), 0, main_->window());
    recorder_->record_file(vt_test::windows_path(folder_ + "/missing-folder/second.wav"));
    pump_until(main_.get(), [&] { return answer.answered; }, 15000);
    EXPECT_NE(std::string::npos, answer.message.find("Vocatrack ne peut ouvrir le fichier \""));
  }
  EXPECT_TRUE(recorder_->current_path().empty());
  EXPECT_TRUE(stopped());
  ASSERT_EQ(1u, hooks_.finished.size());
  EXPECT_EQ(first, hooks_.finished[0]);
  // The file is finished: its header counts its frames, and nothing more is written.
  const double seconds = seconds_in(first);
  EXPECT_GT(seconds, 0.5);
  // Record and Stop-and-mark work again.
  key(VK_F5);
  ASSERT_TRUE(recording_for(300));
  key(VK_F7);
  ASSERT_TRUE(stopped());
  EXPECT_EQ(2u, hooks_.finished.size());
  // A whole recording later, the first file has not grown.
  EXPECT_EQ(seconds, seconds_in(first));
}

TEST_F(RecorderTest, DeviceThatCannotOpenLeavesTheRecorderPaused) {
  write_setting(kRecordDevice, 200);
  std::string message;
  {
    DialogAnswerer answer(nullptr, IDOK, std::string(), 0, main_->window());
    key(VK_F5);
    pump_until(main_.get(), [&] { return answer.answered; }, 15000);
    pump_until(main_.get(), [] { return false; }, 300);
    message = answer.message;
  }
  EXPECT_EQ("Vocatrack ne peut ouvrir le dispositif audio pour l'enregistrement.\r\n\r\nVeuillez vérifier que vous "
            "avez sélectionné le Dispositif d'Enregistrement Audio adéquat dans Paramètres",
            message);
  EXPECT_FALSE(recorder_->current_path().empty());  // paused: the file exists and is open
  EXPECT_EQ(kCaptureStopped, recorder_->engine_state());
}

TEST_F(RecorderTest, Mp3RecordingGoesThroughTheEncoder) {
  write_setting(kFormat, 1);
  key(VK_F5);
  ASSERT_TRUE(recording_for(1500));
  key(VK_F7);
  ASSERT_TRUE(stopped());
  ASSERT_EQ(1u, hooks_.finished.size());
  EXPECT_NE(std::string::npos, hooks_.finished[0].find("Untitled 01.mp3"));
  // Read back through the program's own decoder.
  double length = seconds_in(hooks_.finished[0]);
  EXPECT_GT(length, 1.3);
  EXPECT_LT(length, 3.0);
}

// The input stops delivering (its source suspended): the recording is finished and
// handed on, the panel says why, and a new file takes what comes once it is back.
TEST_F(RecorderTest, LostDeviceFinishesTheRecordingAndANewFileFollowsWhenItIsBack) {
  write_setting(kDeviceTimeoutSecs, 2);
  key(VK_F5);
  ASSERT_TRUE(recording_for(1500));
  const std::string first = recorder_->current_path();
  ASSERT_EQ(0, vt_test::run_linux("pactl suspend-sink \"$VT_PULSE_SINK\" 1"));
  const bool finished = pump_until(main_.get(), [&] { return !hooks_.finished.empty(); }, 30000);
  EXPECT_EQ("Entrée audio perdue, en attente...", main_->status().recorder_notice);
  EXPECT_TRUE(recorder_->awaiting_resume());
  EXPECT_FALSE(awake_.calls.empty() || !awake_.calls.back()) << "still to stay awake while waiting";
  // Attempts on the device while it stays silent leave no files behind.
  pump_until(main_.get(), [] { return false; }, 5000);
  const int resumed = vt_test::run_linux("pactl suspend-sink \"$VT_PULSE_SINK\" 0");
  ASSERT_TRUE(finished) << "the lost device went unnoticed";
  ASSERT_EQ(0, resumed);
  EXPECT_EQ(first, hooks_.finished[0]);
  const std::string first_linux = folder_ + "/" + first.substr(first.find_last_of('\\') + 1);
  EXPECT_GT(sox_seconds(first_linux), 1.3) << "the first file is finished and readable up to the loss";

  ASSERT_TRUE(pump_until(main_.get(), [&] {
    return !recorder_->awaiting_resume() && recorder_->engine_state() == kCaptureRecording;
  }, 30000)) << "no new recording after the device came back";
  EXPECT_EQ("", main_->status().recorder_notice);
  const std::string second = recorder_->current_path();
  EXPECT_NE(first, second);
  EXPECT_EQ("Untitled 02", main_->status().file_name);
  ASSERT_TRUE(recording_for(1500));
  key(VK_F7);
  ASSERT_TRUE(stopped());
  ASSERT_EQ(2u, hooks_.finished.size()) << "attempts while the device was gone left no recordings";
  WIN32_FIND_DATAA found;
  int wav_files = 0;
  HANDLE search = FindFirstFileA((vt_test::windows_path(folder_) + "\\*.wav").c_str(), &found);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) ++wav_files;
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  EXPECT_EQ(2, wav_files);
  EXPECT_EQ(second, hooks_.finished[1]);
  EXPECT_GT(seconds_in(second), 1.3);
  EXPECT_NEAR(8192, peak_of(second, 22050), 400) << "the second file holds the tone played after the return";
  EXPECT_FALSE(awake_.calls.back());
}

// A posted suspend and resume: the recording is finished before the sleep, the system
// may sleep meanwhile, and a second complete file follows the wake-up.
TEST_F(RecorderTest, SleepFinishesTheRecordingAndTheWakeUpStartsTheNext) {
  key(VK_F5);
  ASSERT_TRUE(recording_for(1000));
  ASSERT_EQ(std::vector<bool>{true}, awake_.calls) << "recording asks the system to stay awake, once";
  const std::string first = recorder_->current_path();
  PostMessageA(main_->window(), WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  ASSERT_TRUE(pump_until(main_.get(), [&] { return !hooks_.finished.empty(); }, 10000));
  EXPECT_EQ(kCaptureStopped, recorder_->engine_state());
  EXPECT_EQ((std::vector<bool>{true, false}), awake_.calls) << "released for the sleep";
  EXPECT_GT(seconds_in(first), 0.9);
  pump_until(main_.get(), [] { return false; }, 2500);  // asleep: no attempt to resume
  EXPECT_TRUE(recorder_->current_path().empty());

  PostMessageA(main_->window(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
  PostMessageA(main_->window(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
  ASSERT_TRUE(pump_until(main_.get(), [&] {
    return !recorder_->awaiting_resume() && recorder_->engine_state() == kCaptureRecording;
  }, 15000));
  const std::string second = recorder_->current_path();
  EXPECT_NE(first, second);
  ASSERT_TRUE(recording_for(1000));
  key(VK_F7);
  ASSERT_TRUE(stopped());
  ASSERT_EQ(2u, hooks_.finished.size());
  EXPECT_GT(seconds_in(second), 0.9);
  EXPECT_EQ((std::vector<bool>{true, false, true, false}), awake_.calls);

  // Switched off, nothing is asked and a sleep ends the recording for good.
  write_setting(kStayAwake, false);
  write_setting(kResumeRecording, false);
  key(VK_F5);
  ASSERT_TRUE(recording_for(500));
  PostMessageA(main_->window(), WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  PostMessageA(main_->window(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
  ASSERT_TRUE(pump_until(main_.get(), [&] { return hooks_.finished.size() == 3; }, 10000));
  pump_until(main_.get(), [] { return false; }, 2500);
  EXPECT_TRUE(recorder_->current_path().empty());
  EXPECT_EQ(4u, awake_.calls.size());
}

// Only digital silence from the input (nothing plays into the sink) raises the warning;
// the tone clears it.
TEST_F(RecorderTest, SilentInputIsWarnedInThePanelUntilSoundComesBack) {
  write_setting(kWarnSilenceSecs, 2);
  delete tone_;
  tone_ = nullptr;
  key(VK_F5);
  const bool warned = pump_until(main_.get(), [&] {
    return main_->status().recorder_notice == "Aucun son reçu de l'entrée audio";
  }, 20000);
  EXPECT_EQ(kCaptureRecording, recorder_->engine_state());
  tone_ = vt_test::start_steady_tone();
  ASSERT_TRUE(warned) << "no warning after 2 s of silence";
  EXPECT_TRUE(pump_until(main_.get(), [&] { return main_->status().recorder_notice.empty(); }, 15000))
      << "the warning stayed after the sound came back";
  EXPECT_EQ(nullptr, FindWindowExA(nullptr, nullptr, "#32770", "")) << "never a box";
  key(VK_F7);
  ASSERT_TRUE(stopped());
}

TEST_F(RecorderTest, LevelsReachTheMeterAndAScreenshotShowsThePanel) {
  key(VK_F5);
  ASSERT_TRUE(recording_for(500));
  HWND meter = GetDlgItem(GetDlgItem(main_->window(), IDC_STATUS_PANEL), IDC_LEVEL_METER);
  ASSERT_NE(nullptr, meter);
  EXPECT_EQ(1, GetWindowWord(meter, 0));  // the default recording format is mono
  EXPECT_NEAR(0, static_cast<short>(GetWindowWord(meter, 2)), 1);  // the tone's level, 0 dB
  vt_test::save_screenshot("main_window_recording");
  key(VK_F7);
  ASSERT_TRUE(stopped());
  pump_until(main_.get(), [] { return false; }, 300);
  vt_test::save_screenshot("main_window_idle");
}

}  // namespace
}  // namespace vt
