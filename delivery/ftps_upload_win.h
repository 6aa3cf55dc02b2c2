// Upload of a recording by FTP over TLS (explicit: AUTH TLS on port 21, then a
// protected passive data connection), through the system's SChannel.
#pragma once
#include <string>

#include "delivery/ftp_upload_win.h"
#include "delivery/smtp_client.h"

namespace vt {

// kDone once the server confirmed the whole file; a secure
// connection that could not be had is told through `reporter` first.
Outcome upload_by_ftps(const std::string& path, const FtpSettings& place, const StopSignal& stop, MailReporter& reporter);

}  // namespace vt
