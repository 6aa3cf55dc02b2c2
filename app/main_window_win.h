// The main window (modeless dialog 1): shows the recorder's state and turns buttons,
// menu, keys, timers and forwarded switches into the recorder's commands. The window
// does not own the recorder, and the object outlives its window: the program
// destroys it after the message loop has ended.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/command_switches.h"
#include "app/program_hooks_win.h"
#include "app/program_hotkeys_win.h"
#include "app/status_panel_win.h"
#include "recorder/recorder_win.h"
#include "recorder/scheduler_win.h"
#include "ui/dialog_win.h"
#include "win/handles_win.h"

namespace vt {

enum MainWindowTimer { kTimerStatusBar = 1, kTimerQuitAfterStop = 4, kTimerInterval = 5, kTimerLowDisk = 6,
                       kTimerSetupWizard = 7, kTimerResume = 8 };

// Closes the window from another copy of the program.
constexpr UINT kCloseNowMessage = 1126;
// The schedule's timer fired, or it asks for a look.
constexpr UINT kScheduleMessage = WM_USER + 40;

class MainWindow : public Dialog, private RecorderView, private SwitchTarget, private HotkeyCommands {
 public:
  MainWindow(HINSTANCE instance, Recorder& recorder);
  ~MainWindow() override;

  // Creates the window and runs its start-up steps; `args` is the process's command
  // line, which decides whether recording starts at once. False when the window
  // cannot be created.
  bool create(const std::vector<std::string>& args);
  // The command switches, from this process or forwarded by another copy.
  void run_switches(const std::vector<std::string>& args);
  // Offered every queued message first; true when it was a key the recorder used.
  bool pre_translate_message(const MSG& message);

  Recorder& recorder() { return recorder_; }
  // The neighbours this window serves: the hotkeys and the set-up wizard.
  HotkeyRegistry& hotkeys() { return hotkeys_; }
  SetupWizard& setup_wizard() { return setup_wizard_; }
  // What the status panel shows.
  const StatusPanelData& status() const { return panel_.data(); }
  Scheduler& scheduler() { return scheduler_; }
  // Looks at the schedule again and shows its line (entries, clock or power changed).
  void check_schedule();

 private:
  static bool is_text_box(HWND target);
  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam) override;
  void on_init_dialog();
  void on_command(int id);
  void on_timer(UINT_PTR id);
  void on_destroy();
  bool handle_key(int key_code);

  void watch_disk_space();
  void show_file_name();
  void show_format_text();
  void show_time(int32_t ms);
  void show_state();
  void refresh_controls();
  void layout();
  // Moved to a monitor of another DPI (per-monitor awareness).
  void on_dpi_changed();
  // The window's chrome: toolbars, status bar, tooltips, menu, drawn buttons.
  void create_chrome();
  bool on_chrome_command(int id, int notification);
  void draw_record_button(const DRAWITEMSTRUCT& item);
  void show_next_status_line();
  void show_help();
  // Also the hotkeys' command 4.
  void toggle_recordings_list() override;
  void show_options(int page);
  void fill_format_list();
  void change_format_settings();
  void set_window_icon(int icon);
  RecordingsList& list() { return *recorder_.neighbours().list; }

  // RecorderView.
  HWND owner() override { return window_; }
  void state_changed() override { show_state(); }
  void file_changed() override;
  void format_changed() override;
  void time_changed(int32_t ms) override { show_time(ms); }
  void levels_changed(const LevelRecord& levels) override;
  void start_interval_timer(UINT ms) override;
  void stop_interval_timer() override;
  void exit_requested() override;
  void notice_changed() override;
  void start_resume_timer(UINT ms) override;
  void stop_resume_timer() override;
  void on_power_broadcast(WPARAM event);

  // SwitchTarget: what the command switches do.
  void set_format(int format_index) override { recorder_.set_format(format_index); }
  void save_wav_group(const WavSwitchGroup& group) override;
  EncoderSettings& mp3_settings() override { return recorder_.mp3_settings(); }
  SettingsSection& mp3_store() override { return recorder_.mp3_store(); }
  void record() override { recorder_.record(); }
  void record_file(const std::string& path) override { recorder_.record_file(path); }
  void pause() override { recorder_.pause(); }
  void restart() override { recorder_.restart(); }
  void stop_and_mark() override { recorder_.stop_and_mark(); }
  void exit() override { recorder_.exit(); }
  void exit_when_stopped() override { recorder_.exit_when_stopped(); }
  void hide() override;
  void show() override;
  void set_output_folder(const std::string& folder) override { write_setting(kOutputFolder, folder.c_str()); }
  int shown_buttons() override { return read_setting(kShowButtons); }
  void set_shown_buttons(int mask) override { write_setting(kShowButtons, mask); }
  void relayout() override;
  void play(const std::string& file) override { list().play(file); }
  void quit_after(int ms) override;
  void schedule(const AtSwitches& at) override;

  HINSTANCE instance_;
  Recorder& recorder_;
  Scheduler scheduler_{recorder_};
  ProgramHooks program_hooks_;
  ProgramHotkeys hotkeys_{*this};
  ProgramSetupWizard setup_wizard_{*this, recorder_};
  StatusPanel panel_;
  StatusPanelData shown_;
  std::vector<std::string> start_args_;
  HWND main_toolbar_ = nullptr;
  HWND status_bar_ = nullptr;
  HWND tooltips_ = nullptr;
  OwnedFont shell_font_;
  OwnedBrush menu_brush_;
  size_t status_line_ = 0;
};

}  // namespace vt
