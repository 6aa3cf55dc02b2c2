#include "gui/setup_roles_win.h"

#include <windows.h>
#include <commctrl.h>

#include "gui/setup_wizard_win.h"
#include "setup/installer_win.h"
#include "setup/uninstaller_win.h"
#include "win/handles_win.h"

namespace vt {

void run_installer_role(const std::string& installer_path) {
  // Shortcuts are shell links: COM for the whole installation.
  ComScope com;
  InitCommonControls();
  if (run_installer_wizard(installer_path)) start_installed_program();
}

void run_uninstaller_role(const std::vector<std::string>& args) { run_uninstaller(args); }

}  // namespace vt
