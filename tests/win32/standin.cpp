// Stands in for the maker's setup programs and companion programs in the
// component tests. The test steers it through the environment it inherits.
//
// Run without arguments it is a setup program: it appends "setup LQUIET=<value>"
// (or "setup LQUIET absent") to the file VT_STANDIN_LOG, and when LQUIET is "1"
// it enters VT_STANDIN_REGISTER, a registry value written as
// "HKLM|HKCU|<key>|<value name>|<text>": at once, or, when VT_STANDIN_REGISTER_EVENT
// names an event, once the test sets it (two minutes at most), as a setup program
// that finishes a while after it started.
//
// Run with "companion" as first argument it is a companion: it appends
// "companion <its command line>" to the log and, when VT_STANDIN_STAY_EVENT names
// an event, stays until that event is set (two minutes at most).
//
// Run with "stall" as first argument it is an encoder that never reads its input:
// it appends "stall <process id>" to the log and sleeps two minutes.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

std::string env(const char* name) {
  char value[1024];
  DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

bool env_exists(const char* name) {
  SetLastError(ERROR_SUCCESS);
  return GetEnvironmentVariableA(name, nullptr, 0) != 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

void log_line(const std::string& line) {
  std::string path = env("VT_STANDIN_LOG");
  if (path.empty()) return;
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

void register_value(const std::string& entry) {
  // HIVE|key|name|text
  size_t a = entry.find('|'), b = entry.find('|', a + 1), c = entry.find('|', b + 1);
  if (a == std::string::npos || b == std::string::npos || c == std::string::npos) return;
  HKEY root = entry.substr(0, a) == "HKCU" ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  std::string key_path = entry.substr(a + 1, b - a - 1), name = entry.substr(b + 1, c - b - 1), text = entry.substr(c + 1);
  HKEY key;
  if (RegCreateKeyExA(root, key_path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

int run_setup() {
  bool quiet = env_exists("LQUIET");
  log_line(quiet ? "setup LQUIET=" + env("LQUIET") : std::string("setup LQUIET absent"));
  if (env("LQUIET") != "1") return 1;
  std::string event_name = env("VT_STANDIN_REGISTER_EVENT");
  if (!event_name.empty()) {
    HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, event_name.c_str());
    if (!event) return 2;
    WaitForSingleObject(event, 120000);
    CloseHandle(event);
  }
  std::string entry = env("VT_STANDIN_REGISTER");
  if (!entry.empty()) register_value(entry);
  log_line("setup done");
  return 0;
}

int run_companion() {
  log_line(std::string("companion ") + GetCommandLineA());
  std::string event_name = env("VT_STANDIN_STAY_EVENT");
  if (event_name.empty()) return 0;
  HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, event_name.c_str());
  if (!event) return 2;
  WaitForSingleObject(event, 120000);
  CloseHandle(event);
  return 0;
}

int run_stalled_encoder() {
  log_line("stall " + std::to_string(GetCurrentProcessId()));
  Sleep(120000);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
  if (std::strncmp(arguments, "companion", 9) == 0) return run_companion();
  if (std::strncmp(arguments, "stall", 5) == 0) return run_stalled_encoder();
  return run_setup();
}
