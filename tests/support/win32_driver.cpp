#include "tests/support/win32_driver.h"

#include <cstdlib>

namespace vt_test {

bool wait_until(const std::function<bool()>& condition, int timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (static_cast<int>(GetTickCount() - start) >= timeout_ms) return condition();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(20);
  }
}

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string windows_path(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string result = "Z:" + path;
  for (char& c : result)
    if (c == '/') c = '\\';
  return result;
}

}  // namespace vt_test
