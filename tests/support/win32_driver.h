// Helpers for Win32 tests that drive real windows under Wine.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace vt_test {

// Polls `condition` every 20 ms until it holds or `timeout_ms` passes.
bool wait_until(const std::function<bool()>& condition, int timeout_ms);
// Environment variable or empty text.
std::string env(const char* name);
// A Linux path as Wine sees it ("/a/b" becomes "Z:\a\b"); other paths unchanged.
std::string windows_path(const std::string& path);

}  // namespace vt_test
