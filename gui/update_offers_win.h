// The periodic offers after start-up: the related programs once, then a version
// check every 90 days.
#pragma once
#include <windows.h>

#include <ctime>

namespace vt {

// Decides by the stored dates at time `now` and shows what is due over `owner`.
void run_update_offers(HWND owner, time_t now = time(nullptr));

}  // namespace vt
