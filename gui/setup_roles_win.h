// The installer's and the uninstaller's roles of the program file, entered at start-up
// when the file's last four bytes mark one of them (running copies are closed first).
#pragma once
#include <string>
#include <vector>

namespace vt {

// The wizard over the payload of `installer_path` (the running file); when it has
// installed, the installed program starts with "-install".
void run_installer_role(const std::string& installer_path);

// `args` as the process received them.
void run_uninstaller_role(const std::vector<std::string>& args);

}  // namespace vt
