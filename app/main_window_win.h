// The main window (modeless dialog 1) and the recorder it runs: one recording at a time,
// driven by buttons, menu, keys, hotkeys, forwarded switches and timers, all on the main
// thread.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/command_switches.h"
#include "app/recorder_hooks.h"
#include "win/settings_win.h"
#include "app/status_panel_win.h"
#include "formats/mp3_encoder.h"
#include "audio/stream.h"
#include "capture/capture_engine_win.h"

namespace vt {

enum MainWindowTimer { kTimerStatusBar = 1, kTimerQuitAfterStop = 4, kTimerInterval = 5, kTimerLowDisk = 6,
                       kTimerSetupWizard = 7 };

// Closes the window from another copy of the program.
constexpr UINT kCloseNowMessage = 1126;

class MainWindow : private RecorderListener, private SwitchTarget {
 public:
  // Creates the window; `hooks` must outlive it (null: nothing attached). `args` is the
  // process's command line, which decides whether recording starts at once.
  static MainWindow* Create(HINSTANCE instance, RecorderHooks* hooks, const std::vector<std::string>& args);
  // The command switches, from this process or forwarded by another copy.
  void RunSwitches(const std::vector<std::string>& args);
  HWND window() const { return window_; }
  // Offered every queued message first; true when it was a key the recorder used.
  bool PreTranslateMessage(const MSG& message);

  void Record();
  void Pause();
  void Restart();
  void StopAndMark();
  void Exit();
  // Records into exactly this path, switching a running recording over to it; the
  // previous file is closed without being handed over for delivery.
  void RecordFile(const std::string& path);

  // What the status panel shows and the recorder's state, for the parts that report it.
  const StatusPanelData& status() const { return panel_.data(); }
  const std::string& current_path() const { return current_path_; }
  bool reopen_pending() const { return reopen_; }
  bool record_lit() const { return record_lit_; }
  bool pause_lit() const { return pause_lit_; }
  uint8_t engine_state() const { return engine_.state(); }

 private:
  MainWindow(HINSTANCE instance, RecorderHooks* hooks, const std::vector<std::string>& args);
  ~MainWindow();
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnInitDialog();
  void OnCommand(int id);
  void OnTimer(UINT_PTR id);
  void OnDestroy();
  bool HandleKey(int key_code);

  // The recorder's steps.
  bool ChooseNewPath(int format, std::string* path);
  void OpenWriterAndStart();
  void StartCapture();
  void PlayTone(int resource);
  void WatchDiskSpace();
  void ShowFileName();
  void ShowFormatText();
  void ShowTime(int32_t ms);
  void RefreshControls();
  void Layout();
  // The window's chrome: toolbars, status bar, tooltips, menu, drawn buttons.
  void CreateChrome();
  bool OnChromeCommand(int id, int notification);
  void DrawRecordButton(const DRAWITEMSTRUCT& item);
  void ShowNextStatusLine();
  void ShowHelp();
  void ToggleRecordingsList();
  void ShowOptions(int page);
  void FillFormatList();
  void ChangeFormatSettings();

  // SwitchTarget: what the command switches do.
  void set_format(int format_index) override;
  void save_wav_group(const WavSwitchGroup& group) override;
  EncoderSettings& mp3_settings() override { return mp3_settings_; }
  SettingsSection& mp3_store() override { return mp3_store_; }
  void record() override { Record(); }
  void record_file(const std::string& path) override { RecordFile(path); }
  void pause() override { Pause(); }
  void restart() override { Restart(); }
  void stop_and_mark() override { StopAndMark(); }
  void exit() override { Exit(); }
  void exit_when_stopped() override { exit_when_stopped_ = true; }
  void hide() override { ShowWindow(window_, SW_HIDE); }
  void show() override { ShowWindow(window_, SW_SHOWNORMAL); }
  void set_output_folder(const std::string& folder) override { write_setting(kOutputFolder, folder.c_str()); }
  int shown_buttons() override { return read_setting(kShowButtons); }
  void set_shown_buttons(int mask) override { write_setting(kShowButtons, mask); }
  void relayout() override { Layout(); }
  void play(const std::string& file) override { hooks_->play_recording(file); }
  void quit_after(int ms) override { SetTimer(window_, kTimerQuitAfterStop, static_cast<UINT>(ms), nullptr); }

  // RecorderListener, called by the capture engine on this thread.
  void Recording(uint32_t cookie) override;
  void WaitingForVoice(uint32_t cookie) override;
  void Stopped(uint32_t cookie) override;
  void Time(uint32_t cookie, int32_t ms) override;
  void Levels(uint32_t cookie, const LevelRecord& levels) override;

  HINSTANCE instance_;
  RecorderHooks default_hooks_;
  RecorderHooks* hooks_;
  HWND window_ = nullptr;
  std::string current_path_;
  SinkRef writer_;
  bool reopen_ = false;
  bool record_lit_ = false;
  bool pause_lit_ = false;
  CaptureEngine engine_;
  StatusPanel panel_;
  StatusPanelData shown_;
  std::vector<std::string> start_args_;
  HWND main_toolbar_ = nullptr;
  HWND status_bar_ = nullptr;
  HWND tooltips_ = nullptr;
  HBRUSH menu_brush_ = nullptr;
  size_t status_line_ = 0;
  bool exit_when_stopped_ = false;
  EncoderSettings mp3_settings_;
  RegistrySection mp3_store_{Hive::Machine, kEncoderSettingsSection};
};

}  // namespace vt
