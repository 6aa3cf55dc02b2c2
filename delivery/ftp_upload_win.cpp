#include "delivery/ftp_upload_win.h"

#include "base/paths.h"
#include "delivery/mail_connection.h"
#include "win/files_win.h"
#include "win/handles_win.h"
#include "win/wininet_win.h"

namespace vt {

namespace {

constexpr DWORD kBlockBytes = 256;
constexpr DWORD kLocalOpenBudgetMs = 300;

// The handles of one upload, closed (and a dial-up hung up) on every way out.
struct FtpConnection {
  explicit FtpConnection(const WinInet& api) : api(api) {}
  ~FtpConnection() {
    if (file) api.close(file);
    if (connection) api.close(connection);
    if (internet) api.close(internet);
    if (dialled && api.autodial_hangup) api.autodial_hangup(0);
  }
  const WinInet& api;
  HINTERNET internet = nullptr, connection = nullptr, file = nullptr;
  bool dialled = false;
};

Outcome send_file(FtpConnection& ftp, const std::string& path, const WorkerThread& worker) {
  const WinInet& api = ftp.api;
  if (!api.ftp_open_file || !api.write) return Outcome::kFailed;
  ftp.file = api.ftp_open_file(ftp.connection, file_name_of(path).c_str(), GENERIC_WRITE, FTP_TRANSFER_TYPE_BINARY, 0);
  if (!ftp.file) return Outcome::kFailed;
  OwnedHandle local(open_file_retrying(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, kLocalOpenBudgetMs));
  if (!local) return Outcome::kFailed;
  char block[kBlockBytes];
  for (;;) {
    if (worker.stop_requested()) return Outcome::kStopped;
    DWORD got = 0;
    if (!ReadFile(local.get(), block, kBlockBytes, &got, nullptr)) return Outcome::kFailed;
    if (got == 0) break;
    DWORD put = 0;
    if (!api.write(ftp.file, block, got, &put) || put != got) return Outcome::kFailed;
  }
  // Closing the remote file ends the transfer and takes the server's word on it: a
  // server that refuses the file once it has the data has not got the recording.
  HINTERNET file = ftp.file;
  ftp.file = nullptr;
  return api.close(file) ? Outcome::kDone : Outcome::kFailed;
}

}  // namespace

Outcome upload_by_ftp(const std::string& path, const FtpSettings& place, const WorkerThread& worker) {
  return upload_by_ftp(path, place, worker, wininet());
}

Outcome upload_by_ftp(const std::string& path, const FtpSettings& place, const WorkerThread& worker, const WinInet* api) {
  if (worker.stop_requested()) return Outcome::kStopped;
  if (!api || !api->open || !api->close) return Outcome::kFailed;
  FtpConnection ftp(*api);
  ftp.internet = api->open("LLIBFTP", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  if (!ftp.internet) return Outcome::kFailed;
  DWORD state = 0;
  if (api->connected_state && (!api->connected_state(&state, 0) || (state & INTERNET_CONNECTION_OFFLINE))) {
    // A failed dial does not stop the upload: the server may be on the local network.
    if (api->autodial) api->autodial(INTERNET_AUTODIAL_FORCE_ONLINE | INTERNET_AUTODIAL_FORCE_UNATTENDED,
                                     GetDesktopWindow());
    ftp.dialled = true;
  }
  if (worker.stop_requested()) return Outcome::kStopped;
  if (!api->connect) return Outcome::kFailed;
  ftp.connection = api->connect(ftp.internet, place.server.c_str(), INTERNET_DEFAULT_FTP_PORT, place.user.c_str(),
                                place.password.c_str(), INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, 0);
  if (!ftp.connection) return Outcome::kFailed;
  if (worker.stop_requested()) return Outcome::kStopped;
  if (!place.directory.empty() &&
      (!api->ftp_set_directory || !api->ftp_set_directory(ftp.connection, place.directory.c_str())))
    return Outcome::kFailed;
  return send_file(ftp, path, worker);
}

}  // namespace vt
