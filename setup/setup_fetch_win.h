// Fetching a setup program from the maker's component servers and starting it
// quietly, inside a progress task. Results: Outcome, kStopped when cancelled.
#pragma once
#include <string>

#include "ui/progress_task_win.h"

namespace vt {

// The addresses in use: the machine-hive override of section "Servers" when set,
// otherwise the built-in one (server_addresses.h). `index` is 1 or 2.
std::string component_server(int index);
std::string web_site();

// Downloads one URL into `path` through WinINet, showing the share received on the
// task's bar and dispatching messages between reads. A cancel deletes the partial
// file; so does a failure once the file was created.
Outcome download_to_file(ProgressTask* task, const char* url, const char* path);

// Downloads a setup program and checks it: its SHA-256 must match the digest the
// server publishes at <url>.sha256, or, when there is none, the file must carry a
// valid Authenticode signature. A program that fails the check is deleted, *refused
// is set and the result is 2.
Outcome download_verified_setup(ProgressTask* task, const char* url, const char* path, bool* refused);

// Downloads <name>.exe into the temporary folder (from the second server only when
// the first one failed), checked as above, starts it with LQUIET=1 without waiting,
// and deletes the local copy again. A program refused by the check is never started
// and the user is told.
Outcome fetch_and_run_setup(ProgressTask* task, const char* name);

}  // namespace vt
