#include "app/main_window_win.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "app/main_window_res.h"
#include "base/paths.h"
#include "recorder/recorder_rules.h"
#include "app/run_mutex_win.h"
#include "app/startup_rules.h"
#include "win/settings_win.h"
#include "base/time_units.h"
#include "ui/custom_panel_win.h"
#include "ui/level_meter_win.h"

namespace vt {

MainWindow::MainWindow(HINSTANCE instance, RecorderHooks* hooks, const std::vector<std::string>& args)
    : instance_(instance), hooks_(hooks ? hooks : &default_hooks_), start_args_(args) {
  mp3_settings_ = load_encoder_settings(mp3_store_);
}

MainWindow::~MainWindow() {}

MainWindow* MainWindow::Create(HINSTANCE instance, RecorderHooks* hooks, const std::vector<std::string>& args) {
  auto* main = new MainWindow(instance, hooks, args);
  HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, DialogProc,
                                   reinterpret_cast<LPARAM>(main));
  if (!window) {
    delete main;
    return nullptr;
  }
  return main;
}

INT_PTR CALLBACK MainWindow::DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  MainWindow* self;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<MainWindow*>(lparam);
    self->window_ = window;
    SetWindowLongPtrA(window, DWLP_USER, lparam);
  } else {
    self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, DWLP_USER));
  }
  if (!self) return FALSE;
  INT_PTR result = self->HandleMessage(message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, DWLP_USER, 0);
    delete self;  // a file still open is finalised with the writer
  }
  return result;
}

INT_PTR MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_COMMAND:
      if (!OnChromeCommand(LOWORD(wparam), HIWORD(wparam))) OnCommand(LOWORD(wparam));
      RefreshControls();
      return TRUE;
    case WM_DRAWITEM:
      DrawRecordButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_TIMER:
      OnTimer(wparam);
      return TRUE;
    case WM_MOVE: {
      RECT r;
      GetWindowRect(window_, &r);
      write_setting(kMainWindowX, r.left);
      write_setting(kMainWindowY, r.top);
      return FALSE;
    }
    case WM_CLOSE:
      Exit();
      return TRUE;
    case WM_COPYDATA: {
      // Switches forwarded by a second copy of the program.
      auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
      if (data && data->lpData)
        RunSwitches(read_forwarded_record(static_cast<const uint8_t*>(data->lpData), data->cbData));
      SetWindowLongPtrA(window_, DWLP_MSGRESULT, TRUE);
      return TRUE;
    }
    case WM_ENDSESSION:
      if (wparam) Exit();
      return TRUE;
    case WM_DESTROY:
      OnDestroy();
      return TRUE;
    default:
      if (message == kCloseNowMessage) {
        Exit();
        return TRUE;
      }
      return FALSE;
  }
}

void MainWindow::OnInitDialog() {
  release_run_mutex();
  SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIconA(instance_, MAKEINTRESOURCEA(IDI_MAIN))));
  panel_.attach(GetDlgItem(window_, IDC_STATUS_PANEL));
  engine_.SetListener(this, 0);
  CreateChrome();
  ShowFileName();
  ShowFormatText();
  ShowTime(0);
  SetTimer(window_, kTimerLowDisk, 800, nullptr);
  if (records_at_start(start_args_, read_setting(kRecordWhenRun))) Record();
  hooks_->register_hotkeys();
  Layout();
  SetTimer(window_, kTimerStatusBar, 500, nullptr);
  if (!read_setting(kInstallWizRun)) SetTimer(window_, kTimerSetupWizard, 500, nullptr);
  if (read_setting(kShowRecordingsList)) hooks_->open_recordings_list();
  RefreshControls();
}

void MainWindow::OnCommand(int id) {
  switch (id) {
    case IDC_RECORD: case IDM_RECORD: Record(); break;
    case IDC_PAUSE: case IDM_PAUSE: Pause(); break;
    case IDC_RESTART: case IDM_RESTART: Restart(); break;
    case IDC_STOP: case IDM_STOP_AND_MARK: StopAndMark(); break;
    case IDM_EXIT: Exit(); break;
    default: break;  // Enter and Esc (IDOK, IDCANCEL) do nothing here
  }
}

void MainWindow::OnTimer(UINT_PTR id) {
  KillTimer(window_, id);
  switch (id) {
    case kTimerStatusBar:
      ShowNextStatusLine();
      SetTimer(window_, kTimerStatusBar, 8000, nullptr);
      break;
    case kTimerQuitAfterStop:
      StopAndMark();
      Exit();
      break;
    case kTimerInterval:
      // Re-armed on every firing, whatever the recorder is doing.
      SetTimer(window_, kTimerInterval, static_cast<UINT>(read_setting(kIntervalSecs)) * 1000u, nullptr);
      PlayTone(IDW_START_TONE);
      break;
    case kTimerLowDisk:
      WatchDiskSpace();
      SetTimer(window_, kTimerLowDisk, 4000, nullptr);
      break;
    case kTimerSetupWizard:
      hooks_->run_setup_wizard();
      write_setting(kInstallWizRun, true);
      break;
    default:
      break;
  }
}

void MainWindow::OnDestroy() {
  engine_.SetListener(nullptr, 0);
  engine_.Stop();
  hooks_->unregister_hotkeys();
  write_setting(kShowRecordingsList, hooks_->recordings_list_open());
  hooks_->stop_delivery();
  PostQuitMessage(0);
}

bool MainWindow::PreTranslateMessage(const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  if (message.hwnd != window_ && !IsChild(window_, message.hwnd)) return false;
  if (message.lParam & (1 << 30)) return false;  // auto-repeat: a held key acts once
  if (!HandleKey(key_code_with_modifiers(message.message, message.wParam, message.lParam))) return false;
  RefreshControls();
  return true;
}


void MainWindow::WatchDiskSpace() {
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

void MainWindow::ShowFileName() {
  std::string name = file_name_of(current_path_);
  size_t dot = name.find_last_of('.');
  shown_.file_name = dot == std::string::npos ? name : name.substr(0, dot);
  panel_.update(shown_);
}

void MainWindow::ShowTime(int32_t ms) {
  shown_.time_text = time_text(ms);
  panel_.update(shown_);
}



void MainWindow::RunSwitches(const std::vector<std::string>& args) {
  run_switches(args, *this);
  RefreshControls();
}

void MainWindow::set_format(int format_index) {
  write_setting(kFormat, format_index);
  ShowFormatText();
}

void MainWindow::Recording(uint32_t) {
  record_lit_ = true;
  pause_lit_ = false;
  shown_.display_state = kDisplayRecording;
  panel_.update(shown_);
  SendMessageA(window_, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadIconA(instance_, MAKEINTRESOURCEA(IDI_RECORDING))));
  RefreshControls();
}

void MainWindow::WaitingForVoice(uint32_t) {
  record_lit_ = true;
  pause_lit_ = false;
  shown_.display_state = kDisplayWaiting;
  panel_.update(shown_);
  SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIconA(instance_, MAKEINTRESOURCEA(IDI_MAIN))));
  RefreshControls();
}

void MainWindow::Stopped(uint32_t) {
  signed char silence[2] = {-127, -127};
  set_levels(panel_.meter(), 2, silence);
  record_lit_ = false;
  pause_lit_ = true;
  shown_.display_state = kDisplayReady;
  panel_.update(shown_);
  SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIconA(instance_, MAKEINTRESOURCEA(IDI_MAIN))));
  RefreshControls();
  if (exit_when_stopped_) Exit();
}

void MainWindow::Time(uint32_t, int32_t ms) {
  if (read_setting(kCheckMaxTime) && parse_max_time_ms(read_setting(kMaxTime).c_str()) < ms) {
    StopAndMark();
    if (!read_setting(kStopReachMaxTime)) Record();
    return;
  }
  ShowTime(ms);
}

void MainWindow::Levels(uint32_t, const LevelRecord& levels) {
  if (engine_.state() == kCaptureStopped) {
    signed char silence[2] = {-127, -127};
    set_levels(panel_.meter(), 2, silence);
    return;
  }
  set_levels(panel_.meter(), levels.channel_count, reinterpret_cast<const signed char*>(levels.db));
}

}  // namespace vt
