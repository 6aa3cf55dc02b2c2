// Progress tasks: long work on the main thread (downloads, waiting for a companion
// program, saving or converting a recording) shown in the modeless dialog
// LProgressDialog over a disabled owner. The work routine keeps the message loop
// alive itself through pump_and_check_cancel; Cancel destroys the dialog, which the
// work notices at its next call.
#pragma once
#include <windows.h>

#include <string>

#include "audio/transforms.h"

namespace vt {

// One hour: the longest wait_for_process waits for a program to end.
static const DWORD kProcessWaitLimitMs = 3600000;

class ProgressTask : public ProgressDisplay {
 public:
  explicit ProgressTask(const std::string& caption, void* params = nullptr) : caption(caption), params(params) {}
  // The work; what it returns becomes the result of run_progress_task.
  virtual bool run() = 0;
  // Every dialog message but initialisation and Cancel; false: not handled.
  virtual bool on_message(UINT message, WPARAM wparam, LPARAM lparam) { return false; }

  // ProgressDisplay, for pump_to_sink and other long copies.
  void set_progress_fraction(double fraction) override;
  bool pump_and_check_cancel() override;

  HWND window = nullptr;  // the dialog while it exists; cleared on Cancel
  std::string caption;
  Outcome result = Outcome::kFailed;  // set by the work; kStopped when cancelled
  void* params;              // the work's own parameter record
};

// Shows the dialog, disables `owner` (may be null), runs the task's work and puts
// everything back. False without running anything when the task already has a
// dialog or the dialog cannot be created.
bool run_progress_task(ProgressTask* task, HWND owner);

// A null task stands for work run without a dialog: nothing is shown, messages
// are still dispatched, and only WM_QUIT (left in the queue) stops the work.
// Text line 0 or 1 of the dialog.
void set_progress_text(int line, ProgressTask* task, const char* text);
// The bar at fraction x 100 (truncated); values past 1 show a full bar.
void set_progress_fraction(double fraction, ProgressTask* task);
// Dispatches the thread's pending messages; true as soon as the dialog is gone
// (the user cancelled), false once the queue is empty.
bool pump_and_check_cancel(ProgressTask* task);
// Lets `ms` pass while dispatching messages; true when the user cancelled meanwhile.
bool wait_with_messages(ProgressTask* task, DWORD ms);
// Waits for a process to end while dispatching messages: kDone when it ended, kStopped
// when the user cancelled (the process is left running), kFailed once `limit_ms` has passed.
Outcome wait_for_process(ProgressTask* task, HANDLE process, DWORD limit_ms = kProcessWaitLimitMs);

}  // namespace vt
