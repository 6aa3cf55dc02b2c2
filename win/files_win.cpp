#include "win/files_win.h"

#include "base/retry_schedule.h"

namespace vt {

HANDLE open_file_retrying(const char* path, DWORD access, DWORD share_mode, DWORD disposition, DWORD budget_ms) {
  RetrySchedule schedule(budget_ms);
  for (;;) {
    HANDLE file = CreateFileA(path, access, share_mode, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    DWORD error = GetLastError();
    uint32_t wait_ms = 0;
    // Only another program holding the file is worth waiting for.
    if (error != ERROR_SHARING_VIOLATION || !schedule.next_wait(&wait_ms)) {
      SetLastError(error);
      return INVALID_HANDLE_VALUE;
    }
    Sleep(wait_ms);
  }
}

}  // namespace vt
