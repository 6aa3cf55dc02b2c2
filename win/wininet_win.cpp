#include "win/wininet_win.h"

namespace vt {

namespace {

// GetProcAddress gives a generic function pointer; the cast goes through void*.
template <class Function>
void resolve(HMODULE module, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The module is never freed: its handles may be in use on any thread until exit.
WinInet* load() {
  HMODULE module = LoadLibraryA("wininet.dll");
  if (!module) return nullptr;
  static WinInet api;
  resolve(module, "InternetOpenA", &api.open);
  resolve(module, "InternetOpenUrlA", &api.open_url);
  resolve(module, "InternetReadFile", &api.read);
  resolve(module, "InternetWriteFile", &api.write);
  resolve(module, "InternetCloseHandle", &api.close);
  resolve(module, "HttpQueryInfoA", &api.query);
  resolve(module, "InternetConnectA", &api.connect);
  resolve(module, "FtpSetCurrentDirectoryA", &api.ftp_set_directory);
  resolve(module, "FtpOpenFileA", &api.ftp_open_file);
  resolve(module, "InternetGetConnectedState", &api.connected_state);
  resolve(module, "InternetAutodial", &api.autodial);
  resolve(module, "InternetAutodialHangup", &api.autodial_hangup);
  return &api;
}

}  // namespace

const WinInet* wininet() {
  static WinInet* api = load();
  return api;
}

}  // namespace vt
