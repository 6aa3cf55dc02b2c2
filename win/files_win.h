// File opening shared by the delivery queue, the tag writer and the components.
#pragma once
#include <windows.h>

#include <memory>

#include "base/binary_file.h"

namespace vt {

// Opens a file like CreateFileA; on a sharing violation it waits and tries again
// within `budget_ms` (first sleep (budget + 127) / 256 ms, at least 1, doubled each
// time; see retry_schedule.h).
// Returns INVALID_HANDLE_VALUE on failure, with the last error of the final try.
HANDLE open_file_retrying(const char* path, DWORD access, DWORD share_mode, DWORD disposition, DWORD budget_ms);

// A BinaryFile over an open file handle, which it closes; null for an invalid handle.
std::unique_ptr<BinaryFile> adopt_file_handle(HANDLE handle);

}  // namespace vt
