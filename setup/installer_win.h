// The installer's work: the payload copied out of the installer file into the
// installation folder, then the uninstaller, shortcuts, registry entries and the
// encoder component. Runs inside a progress task whose window shows text lines
// 100 and 101 and bar 102 (the progress dialog, or the installing page).
#pragma once
#include <windows.h>

#include <string>

#include "ui/progress_task_win.h"

namespace vt {

// kDone, kStopped when cancelled, kFailed (after a message over `owner`). The whole installer
// file is checked first: a damaged one is refused before anything is written.
Outcome install_from(ProgressTask* task, HWND owner, const std::string& installer_path);

// Starts the installed program with "-install"; false when it cannot be started.
bool start_installed_program();

}  // namespace vt
