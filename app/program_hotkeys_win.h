// The running program's system-wide hotkeys and its audio set-up wizard, wired to the
// main window and the recorder.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "hotkeys/hotkey_bindings.h"
#include "hotkeys/hotkeys_win.h"
#include "recorder/recorder_neighbours.h"
#include "recorder/recorder_win.h"
#include "ui/dialog_win.h"

namespace vt {

// The Keys bindings, registered for the main window (which must have been created
// when register_all runs).
class ProgramHotkeys : public HotkeyRegistry {
 public:
  explicit ProgramHotkeys(const Dialog& main) : main_(main) {}
  // Bindings the system refuses are told once, in one message: at start-up (which may be
  // a scheduled or batch start with nobody there) kept for the "Commandes" page, later
  // (when the options dialog has closed) in a message box.
  void register_all() override;
  void unregister_all() override;
  std::string take_refusal_notice() override;
  // WM_HOTKEY: runs the command of binding `identifier` on `commands`, but not while
  // one of the program's modal loops runs (a prompt, a message box, a progress task)
  // nor inside a command a hotkey started.
  void on_hotkey(int identifier, HotkeyCommands& commands);

 private:
  const Dialog& main_;
  SystemHotkeys hotkeys_;
  bool running_ = false;
  bool started_ = false;
  std::vector<int32_t> refused_at_start_;
};

// The wizard of menu 1017 and of the first start; refused while a recording runs,
// whose device and mixer the test capture would take over.
class ProgramSetupWizard : public SetupWizard {
 public:
  ProgramSetupWizard(const Dialog& main, const Recorder& recorder) : main_(main), recorder_(recorder) {}
  void run() override;

 private:
  const Dialog& main_;
  const Recorder& recorder_;
};

}  // namespace vt
