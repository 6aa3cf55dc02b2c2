#include "delivery/ftps_upload_win.h"

#include <cstdio>
#include <memory>

#include "base/paths.h"
#include "delivery/delivery_texts.h"
#include "delivery/ftp_reply.h"
#include "delivery/tls_mail_connection_win.h"
#include "win/files_win.h"
#include "win/handles_win.h"

namespace vt {

namespace {

constexpr int kFtpPort = 21;
constexpr int kSendBudgetMs = 20000;
constexpr DWORD kBlockBytes = 16384;
constexpr DWORD kLocalOpenBudgetMs = 300;
constexpr int kReceiveBytes = 512;

bool positive(int code) { return code >= 200 && code < 300; }

std::string with_server(const char* format, const std::string& server, const std::string& reason = "") {
  char text[1024];
  std::snprintf(text, sizeof text, format, server.c_str(), reason.c_str());
  return text;
}

// One connection (control or data): a socket, and TLS once started. The destructor
// ends the session and closes the socket, whichever way the upload ends.
struct Channel {
  explicit Channel(const StopSignal& stop) : ops(make_socket_ops()), plain(*ops, stop), secured(plain) {}
  std::unique_ptr<SocketOps> ops;
  SocketMailConnection plain;
  TlsMailConnection secured;
};

class FtpsUpload {
 public:
  FtpsUpload(const FtpSettings& place, const StopSignal& stop, MailReporter& reporter)
      : place_(place), stop_(stop), reporter_(reporter), control_(stop) {}
  Outcome run(const std::string& path);

 private:
  Outcome log_in();
  Outcome send_file(const std::string& path);
  Outcome secure(Channel& channel);
  Outcome command(const std::string& line, FtpReply* reply);
  Outcome read_reply(FtpReply* reply);

  const FtpSettings& place_;
  const StopSignal& stop_;
  MailReporter& reporter_;
  // Like the whole object: a local of the delivery worker thread, no lock.
  Channel control_;
  FtpReplyReader replies_;
};

Outcome FtpsUpload::read_reply(FtpReply* reply) {
  for (;;) {
    switch (replies_.take(reply)) {
      case FtpReplyState::kComplete:
        return Outcome::kDone;
      case FtpReplyState::kMalformed:
        return Outcome::kFailed;
      case FtpReplyState::kIncomplete:
        break;
    }
    char buffer[kReceiveBytes];
    int got = 0;
    Outcome result = control_.secured.receive(buffer, sizeof buffer, &got);
    if (result != Outcome::kDone) return result;
    if (!replies_.add(buffer, static_cast<size_t>(got))) return Outcome::kFailed;
  }
}

Outcome FtpsUpload::command(const std::string& line, FtpReply* reply) {
  std::string sent = line + "\r\n";
  Outcome result = control_.secured.send_all(sent.data(), sent.size(), kSendBudgetMs);
  return result == Outcome::kDone ? read_reply(reply) : result;
}

// The certificate is checked against the server's name as typed.
Outcome FtpsUpload::secure(Channel& channel) {
  Outcome result = channel.secured.start_tls(place_.server);
  if (result == Outcome::kFailed)
    reporter_.show_error(with_server(kFtpTlsFailedText, place_.server, channel.secured.tls_failure()));
  return result;
}

// Greeting, AUTH TLS (nothing goes out in clear after it), login, protected data.
Outcome FtpsUpload::log_in() {
  if (control_.secured.connect(place_.server, kFtpPort) != Outcome::kDone)
    return stop_.stop_requested() ? Outcome::kStopped : Outcome::kFailed;
  FtpReply reply;
  Outcome result;
  do {
    if ((result = read_reply(&reply)) != Outcome::kDone) return result;
  } while (reply.code >= 100 && reply.code < 200);
  if (reply.code != 220) return Outcome::kFailed;
  if ((result = command("AUTH TLS", &reply)) != Outcome::kDone) return result;
  if (reply.code != 234) {
    reporter_.show_error(with_server(kFtpNoTlsText, place_.server));
    return Outcome::kFailed;
  }
  // Bytes that came with the acceptance would be read as if they had been protected.
  if (replies_.has_pending()) return Outcome::kFailed;
  if ((result = secure(control_)) != Outcome::kDone) return result;
  if ((result = command("USER " + place_.user, &reply)) != Outcome::kDone) return result;
  if (reply.code == 331) {
    if ((result = command("PASS " + place_.password, &reply)) != Outcome::kDone) return result;
  }
  if (reply.code != 230 && reply.code != 202) return Outcome::kFailed;
  if ((result = command("PBSZ 0", &reply)) != Outcome::kDone) return result;
  if (!positive(reply.code)) return Outcome::kFailed;
  if ((result = command("PROT P", &reply)) != Outcome::kDone) return result;
  if (!positive(reply.code)) {
    reporter_.show_error(with_server(kFtpNoProtectionText, place_.server));
    return Outcome::kFailed;
  }
  if ((result = command("TYPE I", &reply)) != Outcome::kDone) return result;
  return positive(reply.code) ? Outcome::kDone : Outcome::kFailed;
}

// The data connection goes to the host of the control connection, on the port of
// the passive reply: the address in the reply is often a private one behind a
// router, and a server naming another host could send the recording elsewhere.
Outcome FtpsUpload::send_file(const std::string& path) {
  OwnedHandle local(open_file_retrying(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, kLocalOpenBudgetMs));
  if (!local) return Outcome::kFailed;
  FtpReply reply;
  Outcome result = command("PASV", &reply);
  if (result != Outcome::kDone) return result;
  PassiveAddress passive;
  if (reply.code != 227 || !parse_passive_reply(reply.text, &passive)) return Outcome::kFailed;
  if (stop_.stop_requested()) return Outcome::kStopped;
  std::unique_ptr<Channel> data(new Channel(stop_));
  if (data->secured.connect(place_.server, passive.port) != Outcome::kDone)
    return stop_.stop_requested() ? Outcome::kStopped : Outcome::kFailed;
  if ((result = command("STOR " + file_name_of(path), &reply)) != Outcome::kDone) return result;
  if (reply.code != 150 && reply.code != 125) return Outcome::kFailed;
  if ((result = secure(*data)) != Outcome::kDone) return result;
  std::unique_ptr<char[]> block(new char[kBlockBytes]);
  for (;;) {
    if (stop_.stop_requested()) return Outcome::kStopped;
    DWORD got = 0;
    if (!ReadFile(local.get(), block.get(), kBlockBytes, &got, nullptr)) return Outcome::kFailed;
    if (got == 0) break;
    if ((result = data->secured.send_all(block.get(), got, kSendBudgetMs)) != Outcome::kDone) return result;
  }
  // The end of the data connection ends the file; the server's reply on the control
  // connection says whether it has it all.
  data.reset();
  if ((result = read_reply(&reply)) != Outcome::kDone) return result;
  return reply.code == 226 || reply.code == 250 ? Outcome::kDone : Outcome::kFailed;
}

Outcome FtpsUpload::run(const std::string& path) {
  Outcome result = log_in();
  if (result != Outcome::kDone) return result;
  FtpReply reply;
  if (stop_.stop_requested()) return Outcome::kStopped;
  if (!place_.directory.empty()) {
    if ((result = command("CWD " + place_.directory, &reply)) != Outcome::kDone) return result;
    if (!positive(reply.code)) return Outcome::kFailed;
  }
  if ((result = send_file(path)) != Outcome::kDone) return result;
  // The file is there: the farewell's answer no longer matters.
  command("QUIT", &reply);
  return Outcome::kDone;
}

}  // namespace

Outcome upload_by_ftps(const std::string& path, const FtpSettings& place, const StopSignal& stop, MailReporter& reporter) {
  if (stop.stop_requested()) return Outcome::kStopped;
  FtpsUpload upload(place, stop, reporter);
  return upload.run(path);
}

}  // namespace vt
