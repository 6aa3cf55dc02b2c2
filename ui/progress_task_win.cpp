#include "ui/progress_task_win.h"

#include <commctrl.h>

#include "ui/dialog_win.h"
#include "ui/progress_dialog_res.h"

namespace vt {
namespace {

HICON owner_icon(HWND owner) {
  HICON icon = owner ? reinterpret_cast<HICON>(GetClassLongPtrA(owner, GCLP_HICON)) : nullptr;
  return icon ? icon : LoadIconA(nullptr, IDI_APPLICATION);
}

void show_task(HWND dialog, ProgressTask* task) {
  task->window = dialog;
  SetWindowTextA(dialog, task->caption.c_str());
  SendDlgItemMessageA(dialog, IDC_PROGRESS_ICON, STM_SETICON,
                      reinterpret_cast<WPARAM>(owner_icon(GetWindow(dialog, GW_OWNER))), 0);
  SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETPOS, 0, 0);
}

// The dialog of one task; the task's `window` is the dialog while it stands.
class ProgressDialog : public Dialog {
 public:
  explicit ProgressDialog(ProgressTask* task) : task_(task) {}

 private:
  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == WM_INITDIALOG) {
      show_task(window_, task_);
      return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL) {
      // The work sees the missing dialog at its next pump_and_check_cancel.
      task_->window = nullptr;
      DestroyWindow(window_);
      return TRUE;
    }
    bool handled = task_->on_message(message, wparam, lparam);
    // Destroyed some other way (its owner went away): that counts as a cancel too,
    // and the task must not keep a dead handle.
    if (message == WM_NCDESTROY && task_->window == window_) task_->window = nullptr;
    return handled ? TRUE : FALSE;
  }

  ProgressTask* task_;
};

}  // namespace

void ProgressTask::set_progress_fraction(double fraction) { vt::set_progress_fraction(fraction, this); }

bool ProgressTask::pump_and_check_cancel() { return vt::pump_and_check_cancel(this); }

bool run_progress_task(ProgressTask* task, HWND owner) {
  if (task->window) return false;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  ProgressDialog progress(task);
  HWND dialog = progress.create_modeless(owner, "LProgressDialog");
  if (!dialog) {
    task->window = nullptr;
    return false;
  }
  if (owner) EnableWindow(owner, FALSE);
  bool ok = task->run();
  if (owner) {
    // Enabled before the dialog goes, so that the system does not activate another
    // application's window in between.
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
    SetFocus(owner);
  }
  if (task->window) DestroyWindow(task->window);
  task->window = nullptr;
  return ok;
}

void set_progress_text(int line, ProgressTask* task, const char* text) {
  if (task && task->window && (line == 0 || line == 1)) SetDlgItemTextA(task->window, IDC_PROGRESS_LINE0 + line, text);
}

void set_progress_fraction(double fraction, ProgressTask* task) {
  if (!task || !task->window) return;
  double percent = fraction * 100.0;
  // The bar clamps to its range; the cast needs a value an int can hold.
  if (!(percent >= 0.0)) percent = 0.0;
  if (percent > 1000.0) percent = 1000.0;
  SendDlgItemMessageA(task->window, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(static_cast<int>(percent)), 0);
}

bool pump_and_check_cancel(ProgressTask* task) {
  // Without a task (work run outside a dialog) messages are still dispatched, but
  // only the end of the program stops the work.
  if (task && !task->window) return true;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The program is ending: leave the quit for the main loop and stop the work.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return true;
    }
    if (!task || !IsDialogMessageA(task->window, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (task && !task->window) return true;
  }
  return false;
}

bool wait_with_messages(ProgressTask* task, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (pump_and_check_cancel(task)) return true;
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
  }
}

Outcome wait_for_process(ProgressTask* task, HANDLE process, DWORD limit_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= limit_ms) return Outcome::kFailed;
    DWORD woke = MsgWaitForMultipleObjects(1, &process, FALSE, limit_ms - elapsed, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) return Outcome::kDone;
    if (woke == WAIT_OBJECT_0 + 1) {
      if (pump_and_check_cancel(task)) return Outcome::kStopped;
    } else if (woke == WAIT_TIMEOUT) {
      return Outcome::kFailed;
    } else {
      return Outcome::kFailed;  // an unusable handle
    }
  }
}

}  // namespace vt
