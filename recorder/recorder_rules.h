// The recorder's small rules that need no window: the maximum-time text and the free
// space of the low-disk watch.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vt {

// "h:mm:ss.fff": each ':' multiplies what came before by 60, up to three digits after
// '.' are tenths to thousandths, a '-' anywhere makes it negative, anything else is
// skipped. "1:00:00" is 3,600,000 ms.
int32_t parse_max_time_ms(const char* text);

// Free space in KB from the bytes available to the caller, as the low-disk watch counts.
uint32_t free_space_kb(uint64_t bytes_available);
constexpr uint32_t kUnknownFreeSpaceKb = 16777216;

// The drive part of a folder: up to and including the first '\' or '/'.
std::string drive_of(const std::string& folder);

// Whether start-up records at once: no arguments and RecordWhenRun, or "-logon" first.
bool records_at_start(const std::vector<std::string>& args, bool record_when_run);

}  // namespace vt
