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

// The interval tone's period in ms for a stored `IntervalSecs`: at least one second (a
// stored 0 or letters would fire the synchronous tone without pause), and no more than
// the timer can count.
uint32_t interval_tone_ms(int32_t stored_seconds);

// The capture engine's lost-device time-out for a stored `DeviceTimeoutSecs`: 25 s for
// nothing usable (0, negative, letters), at most an hour.
uint32_t device_timeout_ms(int32_t stored_seconds);

// The silence warning's delay for a stored `WarnSilenceSecs`: 60 s for nothing usable,
// at most a day.
int32_t silence_warning_ms(int32_t stored_seconds);

// The name a resumed recording takes when `name` is already used: "name (2)", "name (3)"...
std::string numbered_name(const std::string& name, int number);

// Whether start-up records at once: no arguments and RecordWhenRun, or "-logon" first.
bool records_at_start(const std::vector<std::string>& args, bool record_when_run);

}  // namespace vt
