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

}  // namespace vt_test
