// File opening shared by the delivery queue, the tag writer and the components.
#pragma once
#include <windows.h>

namespace vt {

// Opens a file like CreateFileA; on a sharing violation it waits and tries again
// within `budget_ms` (first sleep (budget + 127) / 256 ms, at least 1, doubled each
// time; see retry_schedule.h).
// Returns INVALID_HANDLE_VALUE on failure, with the last error of the final try.
HANDLE open_file_retrying(const char* path, DWORD access, DWORD share_mode, DWORD disposition, DWORD budget_ms);

}  // namespace vt
