// Upload of a recording by FTP through WinINet (passive mode, port 21).
#pragma once
#include <string>

#include "win/worker_thread_win.h"

namespace vt {

struct WinInet;

struct FtpPlace {
  std::string server, user, password, directory;
  // FTP over TLS instead of WinINet's plain FTP.
  bool secure = false;
};

// 0 uploaded, 1 stopped (a partial remote file may remain), 2 failed.
Outcome upload_by_ftp(const std::string& path, const FtpPlace& place, const WorkerThread& worker);
// The same through the given entry points (null: none).
Outcome upload_by_ftp(const std::string& path, const FtpPlace& place, const WorkerThread& worker, const WinInet* api);

}  // namespace vt
