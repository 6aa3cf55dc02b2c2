#include "hotkeys/hotkey_bindings.h"

#include <cstdio>

namespace vt {

namespace {

static const char* const kCommandNames[kHotkeyCommandCount] = {"Enreg.", "Pause", "Aller au Début", "Stop",
                                                                "Ouvrir la Liste d'Enregistrements"};

// Virtual keys (winuser.h VK_*) the capture dialog needs to tell apart.
constexpr int32_t kVirtualEnter = 0x0D, kVirtualShift = 0x10, kVirtualControl = 0x11, kVirtualAlt = 0x12;
constexpr int32_t kVirtualEscape = 0x1B;

// Keys that type a character: space, digits, letters, the keypad's digits and
// operators, and the punctuation keys of the main block.
bool types_a_character(int32_t virtual_key) {
  return virtual_key == 0x20 || (virtual_key >= 0x30 && virtual_key <= 0x39) ||
         (virtual_key >= 0x41 && virtual_key <= 0x5A) || (virtual_key >= 0x60 && virtual_key <= 0x6F) ||
         (virtual_key >= 0xBA && virtual_key <= 0xC0) || (virtual_key >= 0xDB && virtual_key <= 0xDF) ||
         virtual_key == 0xE2;
}

struct ValueName {
  char text[32];
};

ValueName key_value(int binding, const char* suffix) {
  ValueName name;
  std::snprintf(name.text, sizeof name.text, "Key%d%s", binding, suffix);
  return name;
}

}  // namespace

const char* hotkey_command_name(int command) {
  return command >= 0 && command < kHotkeyCommandCount ? kCommandNames[command] : "";
}

int hotkey_binding_count(SettingsSection& keys) {
  int32_t count = keys.read_int("Count", 0);
  return count < 0 ? 0 : count > kMaxHotkeyBindings ? kMaxHotkeyBindings : count;
}

HotkeyBinding read_hotkey_binding(SettingsSection& keys, int binding) {
  HotkeyBinding read;
  read.key_code = keys.read_int(key_value(binding, "").text, 0);
  read.command = keys.read_int(key_value(binding, "Command").text, 0);
  return read;
}

std::vector<HotkeyBinding> load_hotkey_bindings(SettingsSection& keys) {
  std::vector<HotkeyBinding> bindings;
  int count = hotkey_binding_count(keys);
  for (int binding = 0; binding < count; ++binding) bindings.push_back(read_hotkey_binding(keys, binding));
  return bindings;
}

void write_hotkey_key(SettingsSection& keys, int binding, int32_t key_code) {
  keys.write_int(key_value(binding, "").text, key_code);
}

void write_hotkey_command(SettingsSection& keys, int binding, int32_t command) {
  keys.write_int(key_value(binding, "Command").text, command);
}

void write_hotkey_binding_count(SettingsSection& keys, int count) { keys.write_int("Count", count); }

void remove_hotkey_binding(SettingsSection& keys, int binding) {
  int count = hotkey_binding_count(keys);
  if (count == 0 || binding < 0 || binding >= count) return;
  for (int moved = binding; moved < count - 1; ++moved) {
    HotkeyBinding next = read_hotkey_binding(keys, moved + 1);
    write_hotkey_key(keys, moved, next.key_code);
    write_hotkey_command(keys, moved, next.command);
  }
  write_hotkey_binding_count(keys, count - 1);
}

KeyCapture classify_captured_key(int32_t key_code) {
  int32_t virtual_key = static_cast<int32_t>(hotkey_virtual_key(key_code));
  if (virtual_key == kVirtualEnter) return KeyCapture::kIgnored;
  if (virtual_key == kVirtualShift || virtual_key == kVirtualControl || virtual_key == kVirtualAlt)
    return KeyCapture::kIgnored;
  if (virtual_key == kVirtualEscape) return KeyCapture::kCancel;
  if (types_a_character(virtual_key) && !(key_code & (kKeyCtrl | kKeyAlt))) return KeyCapture::kRefused;
  return KeyCapture::kTaken;
}

void run_hotkey_command(int command, HotkeyCommands& commands) {
  switch (command) {
    case kHotkeyRecord: commands.record(); break;
    case kHotkeyPause: commands.pause(); break;
    case kHotkeyRestart: commands.restart(); break;
    case kHotkeyStop: commands.stop_and_mark(); break;
    case kHotkeyToggleList: commands.toggle_recordings_list(); break;
    default: break;
  }
}

}  // namespace vt
