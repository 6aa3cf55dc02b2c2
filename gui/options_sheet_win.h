// The options dialog: a property sheet captioned "Options" with the pages "Enreg.",
// "Sortie ", "Transmettre", "Général", "Commandes" and "Programmation", in that order.
#pragma once
#include <windows.h>

#include "gui/options_hooks.h"

namespace vt {

// Page numbers, as the menu commands and `show_options_dialog` count them.
enum OptionsPageIndex {
  kOptionsRecordPage = 0,
  kOptionsOutputPage = 1,
  kOptionsTransmitPage = 2,
  kOptionsGeneralPage = 3,
  kOptionsCommandsPage = 4,
  kOptionsSchedulePage = 5,
};

enum class OptionsOutcome {
  kAccepted,       // closed by OK: refresh the format list and text
  kCancelled,
  kExitRequested,  // OK changed the destination folder and the user was told: exit now
};

// Runs the dialog modally on `first_page` (out of range: the first). The hotkeys are
// unregistered while it is open and registered again however it closes. `hooks`
// (null: the defaults) must outlive the call.
OptionsOutcome show_options_dialog(HWND owner, int first_page, OptionsHooks* hooks);

// The question shown before the program exits for a new destination folder.
extern const char kDestinationChangedText[];
extern const char kDestinationChangedCaption[];

}  // namespace vt
