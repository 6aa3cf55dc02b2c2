// The progress task under Wine: the dialog over a disabled owner, its lines and bar,
// Cancel noticed at the next pump, waiting for a process, and pump_to_sink shown
// through it. Cancel is clicked from a second thread, as a user's click would be
// posted into the dialog's queue.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "tests/native/test_streams.h"
#include "tests/support/linux_process.h"
#include "tests/support/win32_driver.h"
#include "ui/progress_dialog_res.h"
#include "ui/progress_task_win.h"
#include "ui/pump_task_win.h"

namespace {

using vt::Outcome;
using vt_test::wait_until;

// A task whose work is a lambda.
class LambdaTask : public vt::ProgressTask {
 public:
  LambdaTask(const std::string& caption, std::function<bool(LambdaTask*)> work)
      : ProgressTask(caption), work_(work) {}
  bool run() override {
    ++runs;
    return work_(this);
  }
  int runs = 0;

 private:
  std::function<bool(LambdaTask*)> work_;
};

// Clicks Cancel in the dialog captioned `caption` once `ready` holds, from its own thread.
class CancelClicker {
 public:
  CancelClicker(const std::string& caption, std::function<bool()> ready = [] { return true; }) {
    thread_ = std::thread([this, caption, ready] {
      HWND dialog = vt_test::find_window("#32770", caption.c_str(), 20000);
      if (!dialog || !wait_until(ready, 20000)) return;
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      clicked = true;
    });
  }
  ~CancelClicker() { thread_.join(); }
  std::atomic<bool> clicked{false};

 private:
  std::thread thread_;
};

// A plain top-level window standing for the main window.
class OwnerWindow {
 public:
  OwnerWindow() {
    window = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  ~OwnerWindow() { DestroyWindow(window); }
  HWND window;
};

int bar_position(HWND dialog) { return static_cast<int>(SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0)); }

TEST(ProgressTask, ShowsDialogOverDisabledOwnerAndPutsEverythingBack) {
  OwnerWindow owner;
  ASSERT_TRUE(owner.window);
  LambdaTask task("Vérification", [&](LambdaTask* self) {
    HWND dialog = self->window;
    EXPECT_TRUE(dialog);
    EXPECT_EQ("Vérification", vt_test::window_text(dialog));
    EXPECT_EQ(owner.window, GetWindow(dialog, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(owner.window));
    EXPECT_EQ(0, bar_position(dialog));
    EXPECT_EQ("Annuler", vt_test::control_text(dialog, IDCANCEL));

    vt::set_progress_text(0, self, "Première ligne");
    vt::set_progress_text(1, self, "Seconde ligne");
    EXPECT_EQ("Première ligne", vt_test::control_text(dialog, IDC_PROGRESS_LINE0));
    EXPECT_EQ("Seconde ligne", vt_test::control_text(dialog, IDC_PROGRESS_LINE1));
    vt::set_progress_fraction(0.457, self);
    EXPECT_EQ(45, bar_position(dialog));  // truncated
    vt_test::pump_messages();
    EXPECT_FALSE(vt_test::save_screenshot("progress_dialog").empty());
    self->set_progress_fraction(1.7);     // a guessed length can overrun: the bar stays full
    EXPECT_EQ(100, bar_position(dialog));

    // A task already showing its dialog cannot be started again.
    EXPECT_FALSE(vt::run_progress_task(self, owner.window));
    EXPECT_EQ(dialog, self->window);
    EXPECT_FALSE(vt::pump_and_check_cancel(self));
    self->result = Outcome::kDone;
    return true;
  });
  EXPECT_TRUE(vt::run_progress_task(&task, owner.window));
  EXPECT_EQ(1, task.runs);  // the nested call ran nothing
  EXPECT_EQ(Outcome::kDone, task.result);
  EXPECT_EQ(nullptr, task.window);
  EXPECT_TRUE(IsWindowEnabled(owner.window));
  EXPECT_FALSE(vt_test::find_window("#32770", "Vérification", 0));

  // The same object can run again once its dialog is gone; the work's false is returned.
  LambdaTask second("Deuxième", [](LambdaTask*) { return false; });
  EXPECT_FALSE(vt::run_progress_task(&second, nullptr));
  EXPECT_EQ(1, second.runs);
  EXPECT_EQ(Outcome::kFailed, second.result);  // preset, the work stored nothing
}

TEST(ProgressTask, CancelIsNoticedAtTheNextPump) {
  OwnerWindow owner;
  LambdaTask task("Annulable", [](LambdaTask* self) {
    // A click that arrives while the work does not pump changes nothing yet.
    HWND dialog = self->window;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(dialog, self->window);
    EXPECT_TRUE(vt::pump_and_check_cancel(self));
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(nullptr, self->window);
    vt::set_progress_text(0, self, "ignored");  // no dialog: nothing to set, no crash
    vt::set_progress_fraction(0.5, self);
    self->result = Outcome::kStopped;
    return false;
  });
  EXPECT_FALSE(vt::run_progress_task(&task, owner.window));
  EXPECT_EQ(Outcome::kStopped, task.result);
  EXPECT_TRUE(IsWindowEnabled(owner.window));
}

TEST(ProgressTask, EndOfTheProgramStopsTheWorkAndReachesTheMainLoop) {
  LambdaTask task("Fin", [](LambdaTask* self) {
    PostQuitMessage(3);
    return !vt::pump_and_check_cancel(self);
  });
  EXPECT_FALSE(vt::run_progress_task(&task, nullptr));
  MSG msg = {};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(3u, msg.wParam);

  // Without a task there is nothing to cancel, but messages still flow.
  PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
  EXPECT_FALSE(vt::pump_and_check_cancel(nullptr));
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_FALSE(vt::wait_with_messages(nullptr, 20));
}

TEST(ProgressTask, CancelFromTheUserStopsAPumpingWork) {
  CancelClicker clicker("Longue tâche");
  int pumps = 0;
  LambdaTask task("Longue tâche", [&](LambdaTask* self) {
    // Bounded: a cancel that never arrives fails the test instead of hanging it.
    for (; pumps < 2000; ++pumps) {
      if (vt::pump_and_check_cancel(self)) {
        self->result = Outcome::kStopped;
        return false;
      }
      vt::wait_with_messages(self, 10);
    }
    return true;
  });
  EXPECT_FALSE(vt::run_progress_task(&task, nullptr));
  EXPECT_TRUE(clicker.clicked);
  EXPECT_EQ(Outcome::kStopped, task.result);
  EXPECT_LT(pumps, 2000);
}

// The stand-in companion of the component tests: it stays until its event is set.
struct StayingProcess {
  explicit StayingProcess(bool stay) {
    static int counter = 0;
    event_name = "vt-progress-stay-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    event = CreateEventA(nullptr, TRUE, FALSE, event_name.c_str());
    SetEnvironmentVariableA("VT_STANDIN_STAY_EVENT", stay ? event_name.c_str() : nullptr);
    std::string line = "\"" + vt_test::windows_path(vt_test::build_dir() + "/tests/win32/vt_standin.exe") + "\" companion";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    SetEnvironmentVariableA("VT_STANDIN_STAY_EVENT", nullptr);
  }
  ~StayingProcess() {
    if (started) {
      SetEvent(event);
      if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 1);
      CloseHandle(info.hProcess);
      CloseHandle(info.hThread);
    }
    CloseHandle(event);
  }
  std::string event_name;
  HANDLE event;
  PROCESS_INFORMATION info = {};
  BOOL started;
};

TEST(WaitForProcess, EndsWithTheProcess) {
  StayingProcess child(true);
  ASSERT_TRUE(child.started);
  Outcome result = Outcome::kFailed;  // until the wait has answered
  std::atomic<bool> waiting{false};
  LambdaTask task("Attente", [&](LambdaTask* self) {
    // Let the child go once the wait is about to begin.
    std::thread releaser([&] {
      wait_until([&] { return waiting.load(); }, 10000);
      SetEvent(child.event);
    });
    waiting = true;
    result = vt::wait_for_process(self, child.info.hProcess);
    releaser.join();
    return true;
  });
  vt::run_progress_task(&task, nullptr);
  EXPECT_EQ(Outcome::kDone, result);
}

TEST(WaitForProcess, CancelLeavesTheProcessRunning) {
  StayingProcess child(true);
  ASSERT_TRUE(child.started);
  CancelClicker clicker("Attente annulée");
  Outcome result = Outcome::kDone;  // until the wait has answered
  LambdaTask task("Attente annulée", [&](LambdaTask* self) {
    result = vt::wait_for_process(self, child.info.hProcess);
    return result == Outcome::kDone;
  });
  vt::run_progress_task(&task, nullptr);
  EXPECT_EQ(Outcome::kStopped, result);
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(child.info.hProcess, 0));  // still running
}

TEST(WaitForProcess, GivesUpAfterItsLimit) {
  StayingProcess child(true);
  ASSERT_TRUE(child.started);
  Outcome result = Outcome::kDone;  // until the wait has answered
  DWORD took = 0;
  LambdaTask task("Attente limitée", [&](LambdaTask* self) {
    DWORD start = GetTickCount();
    result = vt::wait_for_process(self, child.info.hProcess, 400);
    took = GetTickCount() - start;
    return true;
  });
  vt::run_progress_task(&task, nullptr);
  EXPECT_EQ(Outcome::kFailed, result);
  EXPECT_GE(took, 380u);
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(child.info.hProcess, 0));
}

// A sink that looks at the dialog while it is written to and can click Cancel.
class WatchingSink : public vt::AudioSink {
 public:
  WatchingSink(vt::ProgressTask* task, bool cancel_at_first_write)
      : AudioSink(11025, 1), task_(task), cancel_(cancel_at_first_write) {}
  void write(const int32_t* buffer, int frames) override {
    frames_written += frames;
    if (!task_->window) return;
    line0 = vt_test::control_text(task_->window, IDC_PROGRESS_LINE0);
    line1 = vt_test::control_text(task_->window, IDC_PROGRESS_LINE1);
    last_bar = bar_position(task_->window);
    if (cancel_) PostMessageA(task_->window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }
  std::string line0, line1;
  int last_bar = -1;

 private:
  vt::ProgressTask* task_;
  bool cancel_;
};

class TaskWithWatchingSink : public vt::PumpTask {
 public:
  TaskWithWatchingSink(vt::SourceRef source, bool cancel)
      : PumpTask("Enregistrement du Fichier", "Enregistrement du fichier...", source), cancel_(cancel) {}
  WatchingSink* sink = nullptr;

 protected:
  vt::SinkRef open_sink() override {
    sink = new WatchingSink(this, cancel_);
    kept_ = vt::SinkRef(sink);
    return kept_;
  }

 private:
  bool cancel_;
  vt::SinkRef kept_;
};

TEST(PumpTask, ShowsTheCopyAndStopsOnCancel) {
  const int frames = 11025 * 10;
  {
    TaskWithWatchingSink task(vt::SourceRef(new vt_test::VectorSource(std::vector<int32_t>(frames, 160), 11025, 1)),
                              false);
    EXPECT_TRUE(vt::run_progress_task(&task, nullptr));
    EXPECT_EQ(Outcome::kDone, task.result);
    ASSERT_TRUE(task.sink);
    EXPECT_EQ(frames, task.sink->frames_written);
    EXPECT_EQ("Enregistrement du fichier...", task.sink->line0);
    EXPECT_EQ("Veuillez patienter...", task.sink->line1);
    EXPECT_GE(task.sink->last_bar, 80);  // the bar followed the copy
  }
  {
    TaskWithWatchingSink task(vt::SourceRef(new vt_test::VectorSource(std::vector<int32_t>(frames, 160), 11025, 1)),
                              true);
    EXPECT_FALSE(vt::run_progress_task(&task, nullptr));
    EXPECT_EQ(Outcome::kStopped, task.result);
    EXPECT_LT(task.sink->frames_written, frames);
  }
  // A sink that cannot be written fails the copy at once.
  EXPECT_EQ(Outcome::kFailed, vt::run_pump_task(nullptr, "Enregistrement", "x", vt::SourceRef(new vt_test::VectorSource({1, 2}, 11025, 1)),
                                 vt::SinkRef(new vt::NullSink())));
}

}  // namespace
