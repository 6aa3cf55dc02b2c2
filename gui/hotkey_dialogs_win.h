// The dialogs of the "Commandes" page: the key capture (LKeyChangeDlg) and the choice
// of a binding's command (dialog 18).
#pragma once
#include <windows.h>

#include <cstdint>

#include "base/settings_section.h"

namespace vt {

// Runs the key-capture dialog; true with the key code pressed, false when closed by
// "Annuler" or Esc. A character key without Ctrl or Alt is refused with a word why.
bool capture_key(HWND owner, int32_t* key_code);

// Runs the choose-command dialog for binding `binding` of `keys`: a captured key is
// stored at once, the command on OK. True on OK.
bool choose_hotkey_command(HWND owner, SettingsSection& keys, int binding);

}  // namespace vt
