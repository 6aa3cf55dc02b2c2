// The bindings of section Keys as system-wide hotkeys of one window: binding n is
// registered with identifier n, and WM_HOTKEY's identifier finds its command again.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "hotkeys/hotkey_bindings.h"

namespace vt {

// "Ctrl+", "Alt+", "Shift+" as the key code's modifier bits say, then the system's
// name of its virtual key; at most 259 characters.
std::string key_text(int32_t key_code);

class SystemHotkeys {
 public:
  // Registers bindings 0 … Count − 1 for `window`. Returns the key codes the system
  // refused (taken by another program or by an earlier binding) that were not
  // refused before, so that each is reported once.
  std::vector<int32_t> register_all(HWND window, SettingsSection& keys);
  // Unregisters what register_all registered.
  void unregister_all();
  // The command of binding `identifier` (Key%dCommand, 0 when missing).
  static int command_for(SettingsSection& keys, int identifier);

 private:
  HWND window_ = nullptr;
  int registered_ = 0;
  std::vector<int32_t> reported_;
};

// True when a hotkey may run a command now: not while one of the program's modal
// loops (a message box, the name prompt, a progress task) has the window disabled.
bool hotkey_may_run(HWND window);

// The French text that reports refused bindings, one key per line.
std::string refused_hotkeys_text(const std::vector<int32_t>& key_codes);

}  // namespace vt
