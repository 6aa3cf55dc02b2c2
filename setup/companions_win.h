// Starting companion programs and the maker's web pages.
#pragma once
#include <windows.h>

#include <string>

#include "setup/companions.h"

namespace vt {

// The companion's command template: the machine's entry before the user's; empty
// when the companion is not installed.
std::string companion_template(const Companion& companion);

// Starts the companion inside a progress task captioned "Run <name>": when its
// template is missing, fetches and starts its setup program and waits up to ten
// seconds for the template; when it is still missing, offers the companion's web
// page. True when the companion started and, for a waiting launch, has exited.
bool launch_companion(const CompanionLaunch& launch, HWND owner);
// A "Lancer" menu command (kMenuLaunch...); `selected_path` as for menu_launch.
bool launch_from_menu(int command_id, const std::string& selected_path, HWND owner);

// Opens <site>/<page>.html in the default browser.
void open_web_page(const char* page);

}  // namespace vt
