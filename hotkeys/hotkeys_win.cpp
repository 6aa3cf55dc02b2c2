#include "hotkeys/hotkeys_win.h"

#include <algorithm>
#include <cstdio>

namespace vt {

std::string key_text(int32_t key_code) {
  std::string text;
  if (key_code & kKeyCtrl) text += "Ctrl+";
  if (key_code & kKeyAlt) text += "Alt+";
  if (key_code & kKeyShift) text += "Shift+";
  // The scan code in bits 16–23, the extended-key bit clear.
  UINT scan_code = MapVirtualKeyA(hotkey_virtual_key(key_code), MAPVK_VK_TO_VSC) & 0xFF;
  char name[260] = {};
  GetKeyNameTextA(static_cast<LONG>(scan_code << 16), name, static_cast<int>(sizeof name - text.size()));
  text += name;
  return text;
}

std::vector<int32_t> SystemHotkeys::register_all(HWND window, SettingsSection& keys) {
  unregister_all();
  window_ = window;
  std::vector<int32_t> refused;
  std::vector<HotkeyBinding> bindings = load_hotkey_bindings(keys);
  for (size_t binding = 0; binding < bindings.size(); ++binding) {
    int32_t key_code = bindings[binding].key_code;
    if (RegisterHotKey(window, static_cast<int>(binding), hotkey_modifiers(key_code), hotkey_virtual_key(key_code)))
      continue;
    // A code of 0 is no key at all; nothing to tell.
    if (key_code == 0 || std::find(reported_.begin(), reported_.end(), key_code) != reported_.end()) continue;
    reported_.push_back(key_code);
    refused.push_back(key_code);
  }
  registered_ = static_cast<int>(bindings.size());
  return refused;
}

void SystemHotkeys::unregister_all() {
  for (int binding = 0; binding < registered_; ++binding) UnregisterHotKey(window_, binding);
  registered_ = 0;
}

int SystemHotkeys::command_for(SettingsSection& keys, int identifier) {
  if (identifier < 0 || identifier >= kMaxHotkeyBindings) return -1;
  return read_hotkey_binding(keys, identifier).command;
}

bool hotkey_may_run(HWND window) { return IsWindowEnabled(window) != FALSE; }

std::string refused_hotkeys_text(const std::vector<int32_t>& key_codes) {
  std::string text = "Ces raccourcis clavier sont déjà utilisés par un autre programme ou par un autre raccourci "
                     "et restent sans effet:\r\n";
  for (int32_t key_code : key_codes) text += "\r\n" + key_text(key_code);
  return text;
}

}  // namespace vt
