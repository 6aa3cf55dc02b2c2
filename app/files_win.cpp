#include "app/files_win.h"

namespace vt {

HANDLE open_file_retrying(const char* path, DWORD access, DWORD share_mode, DWORD disposition, DWORD budget_ms) {
  DWORD sleep_ms = (budget_ms + 127) / 256;
  DWORD remaining = budget_ms;
  bool first_violation = true;
  for (;;) {
    HANDLE file = CreateFileA(path, access, share_mode, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION) return INVALID_HANDLE_VALUE;
    if (!first_violation) {
      // Another violation after a sleep: give up unless the budget still exceeds that sleep.
      if (remaining <= sleep_ms) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
      }
      remaining -= sleep_ms;
      sleep_ms *= 2;
    }
    first_violation = false;
    Sleep(sleep_ms);
  }
}

}  // namespace vt
