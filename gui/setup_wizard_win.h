// The installer's wizard (licence, related programs, installing) and the related
// programs' wizard that the periodic offer shows.
#pragma once
#include <windows.h>

#include <string>

namespace vt {

// The installer: the licence page and the related-programs page unless LQUIET is
// set, then the installing page, which copies out of `installer_path`. True when the
// installation succeeded.
bool run_installer_wizard(const std::string& installer_path, HWND owner = nullptr);

// The related programs offered on their own: choose, then install the chosen ones.
void run_related_wizard(HWND owner);

}  // namespace vt
