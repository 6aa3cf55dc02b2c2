// Installing components on demand (see win/component_registry_win.h for where
// they are found).
#pragma once
#include <windows.h>

#include <string>

#include "win/component_registry_win.h"

namespace vt {

// Makes sure a component is installed: when it is missing, fetches its setup
// program from the component servers inside a progress task captioned `caption`,
// starts it and waits for its entry to appear. True when the component is present
// at the end; when it is still missing after a finished download, a message over
// `owner` names the site's page for installing it by hand.
bool install_component(const char* name, HWND owner, const char* caption);

}  // namespace vt
