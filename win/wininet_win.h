// WinINet, loaded at run time on first use and kept for the rest of the run (most
// runs never download or upload anything). The component downloader and the FTP
// upload share it; an entry point the system lacks stays null.
#pragma once
#include <windows.h>
#include <wininet.h>

namespace vt {

struct WinInet {
  decltype(&InternetOpenA) open = nullptr;
  decltype(&InternetOpenUrlA) open_url = nullptr;
  decltype(&InternetReadFile) read = nullptr;
  decltype(&InternetWriteFile) write = nullptr;
  decltype(&InternetCloseHandle) close = nullptr;
  decltype(&HttpQueryInfoA) query = nullptr;
  decltype(&InternetConnectA) connect = nullptr;
  decltype(&FtpSetCurrentDirectoryA) ftp_set_directory = nullptr;
  decltype(&FtpOpenFileA) ftp_open_file = nullptr;
  decltype(&InternetGetConnectedState) connected_state = nullptr;
  decltype(&InternetAutodial) autodial = nullptr;
  decltype(&InternetAutodialHangup) autodial_hangup = nullptr;
};

// The loaded library's entry points, or null when WinINet.DLL cannot be loaded.
// Safe to call from any thread.
const WinInet* wininet();

}  // namespace vt
