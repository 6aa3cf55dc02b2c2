// System-wide key bindings (section Keys): numbered pairs of a key code and a command
// number, `Count` of them. A key code is a virtual key with Alt, Ctrl and Shift added
// as 0x10000, 0x20000 and 0x40000; shifted right by 16 the modifier bits are the
// system's hotkey modifier flags.
#pragma once
#include <cstdint>
#include <vector>

#include "base/key_codes.h"
#include "base/settings_section.h"

namespace vt {

// Bindings read at most: a damaged Count never makes a loop run for ever, and hotkey
// identifiers stay far below the system's limit of 0xBFFF.
constexpr int kMaxHotkeyBindings = 256;

// The commands a binding can run, by number.
enum HotkeyCommand { kHotkeyRecord = 0, kHotkeyPause = 1, kHotkeyRestart = 2, kHotkeyStop = 3, kHotkeyToggleList = 4 };
constexpr int kHotkeyCommandCount = 5;
// The "Commandes" page's name of a command; empty outside the table.
const char* hotkey_command_name(int command);

struct HotkeyBinding {
  int32_t key_code = 0;
  int32_t command = 0;
};

// The bindings 0 … Count − 1 (Count bounded to 0 … kMaxHotkeyBindings).
std::vector<HotkeyBinding> load_hotkey_bindings(SettingsSection& keys);
int hotkey_binding_count(SettingsSection& keys);
HotkeyBinding read_hotkey_binding(SettingsSection& keys, int binding);
void write_hotkey_key(SettingsSection& keys, int binding, int32_t key_code);
void write_hotkey_command(SettingsSection& keys, int binding, int32_t command);
void write_hotkey_binding_count(SettingsSection& keys, int count);
// Moves the bindings after `binding` down by one and lowers Count; the last pair
// stays behind, past the count.
void remove_hotkey_binding(SettingsSection& keys, int binding);

inline uint32_t hotkey_modifiers(int32_t key_code) { return (static_cast<uint32_t>(key_code) >> 16) & 7; }
inline uint32_t hotkey_virtual_key(int32_t key_code) { return static_cast<uint32_t>(key_code) & 0xFFFF; }

// What the key-capture dialog does with a key press.
enum class KeyCapture {
  kIgnored,  // Enter, Shift, Ctrl or Alt alone: keep waiting
  kCancel,   // Esc: close without a key
  kRefused,  // a character key without Ctrl or Alt: it would be taken from every program
  kTaken,    // close with this key code
};
KeyCapture classify_captured_key(int32_t key_code);

// What a binding's command acts on.
class HotkeyCommands {
 public:
  virtual ~HotkeyCommands() {}
  virtual void record() = 0;
  virtual void pause() = 0;
  virtual void restart() = 0;
  virtual void stop_and_mark() = 0;
  virtual void toggle_recordings_list() = 0;
};
// Runs command `command`; any number outside the table does nothing.
void run_hotkey_command(int command, HotkeyCommands& commands);

}  // namespace vt
