// Components: outside executables the recorder runs itself (the MP3 encoder
// mp3el), registered by their setup programs under
// Software\Ardentine\Components\<name>, value Path.
#pragma once
#include <windows.h>

#include <string>

namespace vt {

// The component's executable: the machine's entry before the user's; empty when
// the component is not installed.
std::string component_path(const char* name);

// Makes sure a component is installed: when it is missing, fetches its setup
// program from the component servers inside a progress task captioned `caption`,
// starts it and waits for its entry to appear. True when the component is present
// at the end; when it is still missing after a finished download, a message over
// `owner` names the site's page for installing it by hand.
bool install_component(const char* name, HWND owner, const char* caption);

}  // namespace vt
