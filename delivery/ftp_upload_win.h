// Upload of a recording by FTP through WinINet (passive mode, port 21).
#pragma once
#include <string>

#include "delivery/delivery_settings.h"
#include "win/worker_thread_win.h"

namespace vt {

struct WinInet;

// kStopped may leave a partial remote file.
Outcome upload_by_ftp(const std::string& path, const FtpSettings& place, const WorkerThread& worker);
// The same through the given entry points (null: none).
Outcome upload_by_ftp(const std::string& path, const FtpSettings& place, const WorkerThread& worker, const WinInet* api);

}  // namespace vt
