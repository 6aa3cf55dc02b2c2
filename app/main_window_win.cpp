#include "app/main_window_win.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "app/main_window_res.h"
#include "app/run_mutex_win.h"
#include "app/startup_rules.h"
#include "gui/recordings_list_win.h"
#include "base/paths.h"
#include "base/time_units.h"
#include "formats/wave_format.h"
#include "recorder/recorder_rules.h"
#include "recorder/recording_format_win.h"
#include "ui/level_meter_win.h"
#include "win/settings_win.h"

namespace vt {

MainWindow::MainWindow(HINSTANCE instance, Recorder& recorder)
    : instance_(instance), recorder_(recorder), program_hooks_(recorder.neighbours()) {}

MainWindow::~MainWindow() { recorder_.set_view(nullptr); }

bool MainWindow::create(const std::vector<std::string>& args) {
  start_args_ = args;
  recorder_.set_view(this);
  if (create_modeless(nullptr, MAKEINTRESOURCEA(IDD_MAIN))) return true;
  recorder_.set_view(nullptr);
  return false;
}

INT_PTR MainWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      on_init_dialog();
      return TRUE;
    case WM_COMMAND:
      if (!on_chrome_command(LOWORD(wparam), HIWORD(wparam))) on_command(LOWORD(wparam));
      refresh_controls();
      return TRUE;
    case 0x02E0:  // WM_DPICHANGED
      on_dpi_changed();
      return TRUE;
    case WM_DRAWITEM:
      draw_record_button(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_TIMER:
      on_timer(wparam);
      return TRUE;
    case WM_MOVE: {
      // A minimised window sits far off screen: the next start would place it there.
      if (IsIconic(window_)) return FALSE;
      RECT r;
      GetWindowRect(window_, &r);
      write_setting(kMainWindowX, r.left);
      write_setting(kMainWindowY, r.top);
      return FALSE;
    }
    case WM_CLOSE:
      recorder_.exit();
      return TRUE;
    case WM_COPYDATA: {
      // Switches forwarded by a second copy of the program.
      auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
      // Only the record a second copy sends: any other sender, tag or size is ignored.
      if (data && data->lpData && data->dwData == 0 && data->cbData == kForwardedRecordBytes)
        run_switches(read_forwarded_record(static_cast<const uint8_t*>(data->lpData), data->cbData));
      if (window_) SetWindowLongPtrA(window_, DWLP_MSGRESULT, TRUE);
      return TRUE;
    }
    case WM_HOTKEY:
      hotkeys_.on_hotkey(static_cast<int>(wparam), *this);
      refresh_controls();
      return TRUE;
    case WM_POWERBROADCAST:
      on_power_broadcast(wparam);
      if (window_) SetWindowLongPtrA(window_, DWLP_MSGRESULT, TRUE);  // a sleep is never refused
      return TRUE;
    case WM_TIMECHANGE:
      check_schedule();
      return TRUE;
    case WM_ENDSESSION:
      if (wparam) recorder_.exit();
      return TRUE;
    case WM_DESTROY:
      on_destroy();
      return TRUE;
    default:
      if (message == kCloseNowMessage) {
        recorder_.exit();
        return TRUE;
      }
      if (message == kScheduleMessage) {
        check_schedule();
        return TRUE;
      }
      if (message == kListClosedMessage) {
        SendMessageA(main_toolbar_, TB_CHECKBUTTON, IDT_RECORDINGS_LIST, MAKELONG(FALSE, 0));
        return TRUE;
      }
      return FALSE;
  }
}

void MainWindow::on_init_dialog() {
  release_run_mutex();
  // Without a chosen output folder the program's folder under the application data is made ready.
  if (read_setting(kOutputFolder).empty()) CreateDirectoryA(join_path(user_app_data_folder(), "Vocatrack").c_str(), nullptr);
  set_window_icon(IDI_MAIN);
  panel_.attach(GetDlgItem(window_, IDC_STATUS_PANEL));
  create_chrome();
  show_file_name();
  show_format_text();
  show_time(0);
  SetTimer(window_, kTimerLowDisk, 800, nullptr);
  recorder_.record_at_start(start_args_);
  scheduler_.start(window_, kScheduleMessage);
  check_schedule();
  program_hooks_.register_hotkeys();
  layout();
  SetTimer(window_, kTimerStatusBar, 500, nullptr);
  if (!read_setting(kInstallWizRun)) SetTimer(window_, kTimerSetupWizard, 500, nullptr);
  if (read_setting(kShowRecordingsList)) list().open();
  refresh_controls();
}

void MainWindow::on_command(int id) {
  switch (id) {
    case IDC_RECORD: case IDM_RECORD: recorder_.record(); break;
    case IDC_PAUSE: case IDM_PAUSE: recorder_.pause(); break;
    case IDC_RESTART: case IDM_RESTART: recorder_.restart(); break;
    case IDC_STOP: case IDM_STOP_AND_MARK: recorder_.stop_and_mark(); break;
    case IDM_EXIT: recorder_.exit(); break;
    default: break;  // Enter and Esc (IDOK, IDCANCEL) do nothing here
  }
}

void MainWindow::on_timer(UINT_PTR id) {
  KillTimer(window_, id);
  switch (id) {
    case kTimerStatusBar:
      show_next_status_line();
      SetTimer(window_, kTimerStatusBar, 8000, nullptr);
      break;
    case kTimerQuitAfterStop:
      recorder_.stop_and_mark();
      recorder_.exit();
      break;
    case kTimerInterval:
      // Re-armed on every firing, whatever the recorder is doing.
      start_interval_timer(interval_tone_ms(read_setting(kIntervalSecs)));
      recorder_.interval_elapsed();
      break;
    case kTimerLowDisk:
      watch_disk_space();
      SetTimer(window_, kTimerLowDisk, 4000, nullptr);
      break;
    case kTimerResume:
      recorder_.resume_elapsed();
      break;
    case kTimerSetupWizard:
      // A first start that records at once: the wizard waits until capture stops.
      if (recorder_.engine_running()) {
        SetTimer(window_, kTimerSetupWizard, 1000, nullptr);
        break;
      }
      if (SetupWizard* wizard = recorder_.neighbours().wizard) wizard->run();
      write_setting(kInstallWizRun, true);
      break;
    default:
      break;
  }
}

void MainWindow::on_destroy() {
  // Nothing the recorder does from now on may reach this window.
  scheduler_.stop();
  recorder_.shut_down();
  recorder_.set_view(nullptr);
  program_hooks_.unregister_hotkeys();
  write_setting(kShowRecordingsList, list().is_open());
  recorder_.neighbours().delivery->stop();
  PostQuitMessage(0);
}

void MainWindow::exit_requested() {
  if (window_) DestroyWindow(window_);
}

void MainWindow::hide() {
  if (window_) ShowWindow(window_, SW_HIDE);
}

void MainWindow::show() {
  if (window_) ShowWindow(window_, SW_SHOWNORMAL);
}

void MainWindow::relayout() {
  if (window_) layout();
}

void MainWindow::quit_after(int ms) {
  if (window_) SetTimer(window_, kTimerQuitAfterStop, static_cast<UINT>(ms), nullptr);
}

void MainWindow::file_changed() {
  show_file_name();
  // A recording that ends may free the recorder for a slot under way, or end a slot's.
  scheduler_.post_check();
}

void MainWindow::check_schedule() {
  scheduler_.check();
  shown_.schedule_line = scheduler_.status_line();
  panel_.update(shown_);
}

void MainWindow::schedule(const AtSwitches& at) {
  const std::string refused = scheduler_.add_at(at.at, at.format, at.file, at.duration_ms);
  if (!refused.empty()) {
    std::fputs((refused + "\n").c_str(), stderr);
    std::fflush(stderr);
  }
  shown_.schedule_line = scheduler_.status_line();
  panel_.update(shown_);
}

void MainWindow::start_interval_timer(UINT ms) {
  if (window_) SetTimer(window_, kTimerInterval, ms, nullptr);
}

void MainWindow::stop_interval_timer() {
  if (window_) KillTimer(window_, kTimerInterval);
}

void MainWindow::start_resume_timer(UINT ms) {
  if (window_) SetTimer(window_, kTimerResume, ms, nullptr);
}

void MainWindow::stop_resume_timer() {
  if (window_) KillTimer(window_, kTimerResume);
}

void MainWindow::notice_changed() {
  shown_.recorder_notice = recorder_.notice();
  panel_.update(shown_);
}

// The recording is finished before the sleep and goes on in a new file after it.
void MainWindow::on_power_broadcast(WPARAM event) {
  switch (event) {
    case PBT_APMSUSPEND:
      recorder_.power_suspending();
      break;
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMECRITICAL:
    case PBT_APMRESUMEAUTOMATIC:
      // A scheduled recording whose slot ended during the sleep ends before the recorder
      // would go on with it; one woken inside a slot records the rest.
      check_schedule();
      recorder_.power_resumed();
      break;
    default:
      break;
  }
  refresh_controls();
}

// Keys typed into a text box stay there: Home or Del while a recording's name is being
// edited in the list must not restart the recorder or delete files.
bool MainWindow::is_text_box(HWND target) {
  char type[16] = {};
  GetClassNameA(target, type, sizeof type);
  return lstrcmpiA(type, "Edit") == 0;
}

bool MainWindow::pre_translate_message(const MSG& message) {
  if (!window_) return false;
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  // Every window of the thread (the recordings list is a pop-up of its own), but not a
  // text box.
  if (message.hwnd != window_ && is_text_box(message.hwnd)) return false;
  if (message.lParam & (1 << 30)) return false;  // auto-repeat: a held key acts once
  if (!handle_key(key_code_with_modifiers(message.message, message.wParam, message.lParam))) return false;
  refresh_controls();
  return true;
}

void MainWindow::watch_disk_space() {
  std::string drive = drive_of(output_folder());
  ULARGE_INTEGER available;
  uint32_t kb = GetDiskFreeSpaceExA(drive.c_str(), &available, nullptr, nullptr) ? free_space_kb(available.QuadPart)
                                                                                   : kUnknownFreeSpaceKb;
  double free_mb = kb / 1024.0;
  shown_.low_disk = read_setting(kWarnSpaceBelow) > free_mb;
  if (shown_.low_disk) {
    // Raised whether or not a recording runs, even over a hidden window.
    ShowWindow(window_, SW_RESTORE);
    SetForegroundWindow(window_);
  }
  char text[64];
  std::snprintf(text, sizeof text, "%5.2f MB", free_mb);
  shown_.free_space = text;
  panel_.update(shown_);
}

void MainWindow::show_file_name() {
  std::string name = file_name_of(recorder_.current_path());
  size_t dot = name.find_last_of('.');
  shown_.file_name = dot == std::string::npos ? name : name.substr(0, dot);
  panel_.update(shown_);
}

void MainWindow::show_time(int32_t ms) {
  shown_.time_text = time_text(ms);
  panel_.update(shown_);
}

void MainWindow::format_changed() {
  if (!window_) return;
  // A switch may have chosen another format: the list and its settings button follow.
  SendDlgItemMessageA(window_, IDC_FORMAT_LIST, CB_SETCURSEL, static_cast<WPARAM>(read_setting(kFormat)), 0);
  show_format_text();
  refresh_controls();
}

void MainWindow::show_format_text() {
  shown_.file_info = recorder_.format_text();
  panel_.update(shown_);
}

void MainWindow::show_state() {
  shown_.display_state = recorder_.display_state();
  panel_.update(shown_);
  set_window_icon(recorder_.display_state() == kDisplayRecording ? IDI_RECORDING : IDI_MAIN);
  refresh_controls();
}

void MainWindow::set_window_icon(int icon) {
  if (!window_) return;
  SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIconA(instance_, MAKEINTRESOURCEA(icon))));
}

void MainWindow::levels_changed(const LevelRecord& levels) {
  set_levels(panel_.meter(), levels.channel_count, reinterpret_cast<const signed char*>(levels.db));
}

void MainWindow::run_switches(const std::vector<std::string>& args) {
  vt::run_switches(args, *this);
  if (window_) refresh_controls();
}

void MainWindow::save_wav_group(const WavSwitchGroup& group) {
  WaveFormat base = default_recording_format();
  FormatBuffer stored;
  if (load_recording_format(stored) && stored.format.format_tag == kFormatTagPcm) base = stored.format;
  int rate, channels, bits;
  // Slots the group did not name keep the stored PCM format's values.
  if (!wav_group_format(group, static_cast<int>(base.sample_rate), base.channels, base.bits_per_sample, &rate,
                        &channels, &bits))
    return;
  recorder_.save_wav_group(rate, channels, bits);
}

}  // namespace vt
