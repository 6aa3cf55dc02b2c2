// The uninstaller (uninst.exe in the installation folder): it moves to the
// temporary folder first so that the installation folder can go, asks, and then
// removes what the installer made and nothing else.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace vt {

// `args` as the process received them (args[0] the program's path). Started
// without arguments it copies itself to the temporary folder, starts the copy with
// "-u" and returns; otherwise it asks over `owner` and, on Yes, removes.
void run_uninstaller(const std::vector<std::string>& args, HWND owner = nullptr);

// The removal itself, without the question.
void remove_installation();

}  // namespace vt
