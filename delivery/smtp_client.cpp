#include "delivery/smtp_client.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "base/binary_file.h"
#include "base/paths.h"
#include "delivery/delivery_texts.h"
#include "delivery/smtp_security.h"

namespace vt {

namespace {

constexpr int kCommandBudgetMs = 20000;
constexpr int kTextBudgetMs = 30000;
constexpr size_t kReplyLineChars = 258;
// A recording just closed by the recorder, or being scanned, is waited for this long.
constexpr uint32_t kAttachmentOpenBudgetMs = 1000;

std::string formatted(const char* format, const std::string& argument) {
  char text[1024];
  std::snprintf(text, sizeof text, format, argument.c_str());
  return text;
}

using OpenFiles = std::vector<std::unique_ptr<BinaryFile>>;

class SmtpSession {
 public:
  SmtpSession(MailConnection& connection, const StopSignal& stop, MailReporter& reporter)
      : connection_(connection), stop_(stop), reporter_(reporter) {}

  // Every byte of the dialogue goes out here. The first send that fails (a server
  // that stopped reading, a dropped line) ends the dialogue: nothing more is sent and
  // no reply is waited for, so each later line does not wait out a budget of its own.
  Outcome send(const char* data, size_t length, int budget_ms) {
    if (send_result_ == Outcome::kDone) send_result_ = connection_.send_all(data, length, budget_ms);
    return send_result_;
  }
  bool send_failed() const { return send_result_ != Outcome::kDone; }
  // The reply to what was sent; 0 when a send has failed.
  int reply() { return send_failed() ? 0 : read_reply(connection_); }

  Outcome command(const std::string& a, const std::string& b = std::string(), const std::string& c = std::string()) {
    std::string line = a + b + c;
    return send(line.data(), line.size(), kCommandBudgetMs);
  }
  int reply_to(const std::string& a, const std::string& b = std::string(), const std::string& c = std::string()) {
    command(a, b, c);
    return reply();
  }
  // A step whose reply was not the expected one (or whose send failed).
  Outcome fail(const char* text) {
    connection_.close();
    if (stop_.stop_requested()) return Outcome::kStopped;
    reporter_.show_error(text);
    return Outcome::kFailed;
  }

  Outcome write_message(const MailMessage& message, OpenFiles& files, const MailTime* now);

 private:
  Outcome send_text(const std::string& text, int budget_ms) { return send(text.data(), text.size(), budget_ms); }
  Outcome write_attachment(const std::string& path, BinaryFile& file, const std::string& boundary);

  MailConnection& connection_;
  const StopSignal& stop_;
  MailReporter& reporter_;
  Outcome send_result_ = Outcome::kDone;  // the session is a local of the sending thread
};

Outcome SmtpSession::write_message(const MailMessage& message, OpenFiles& files, const MailTime* now) {
  std::string head = "MIME-Version: 1.0\r\nFrom: " + message.from + "\r\nTo: " + message.to +
                     "\r\nSubject: " + encode_header_text(message.subject) + "\r\n";
  if (now) {
    std::string date = format_mail_date(*now);
    if (!date.empty()) head += "Date: " + date + "\r\n";
  }
  head += std::string("X-Mailer: ") + kProductTitle + " " + kProductWebAddress + "\r\n";
  send_text(head, kCommandBudgetMs);

  std::string boundary;
  if (!message.attachments.empty()) {
    boundary = choose_boundary(message.body);
    send_text("Content-Type: multipart/mixed; boundary=" + boundary + "\r\n\r\n--" + boundary + "\r\n",
              kCommandBudgetMs);
  }
  // The text keeps its bytes: the label tells readers which code page they are in.
  send_text("Content-Type: text/plain; charset=windows-1252\r\nContent-Transfer-Encoding: 8bit\r\n\r\n",
            kCommandBudgetMs);
  for (const std::string& piece : dot_stuffed_pieces(message.body)) send_text(piece, kTextBudgetMs);
  if (message.attachments.empty()) return send_result_;

  for (size_t i = 0; i < message.attachments.size(); ++i) {
    Outcome result = write_attachment(message.attachments[i], *files[i], boundary);
    if (result != Outcome::kDone) return result;
  }
  return send_text("\r\n--" + boundary + "--\r\n", kCommandBudgetMs);
}

// A file that cannot be read to its end fails the whole message: the caller then
// drops the connection before the terminator, so nothing half-made is delivered.
// An empty recording goes as an attachment without data.
Outcome SmtpSession::write_attachment(const std::string& path, BinaryFile& file, const std::string& boundary) {
  std::string name = file_name_of(path);
  if (send_text("\r\n--" + boundary + "\r\n" + attachment_headers(name) + "\r\n", kCommandBudgetMs) != Outcome::kDone)
    return send_result_;
  int64_t size = file.size(), total = 0;
  uint8_t chunk[kBase64LineInputBytes];
  for (;;) {
    int got = file.read(chunk, sizeof chunk);
    if (got <= 0) break;
    total += got;
    std::string line = base64_encode(chunk, static_cast<size_t>(got)) + "\r\n";
    if (send(line.data(), line.size(), kCommandBudgetMs) != Outcome::kDone) return send_result_;
    if (stop_.stop_requested()) return Outcome::kStopped;
  }
  return total == size ? Outcome::kDone : Outcome::kFailed;
}

// The attachments are opened before the server is called, and held until the mail
// has gone: an unreadable recording is a failed delivery, not an e-mail without it.
bool open_attachments(const MailMessage& message, OpenFiles* files) {
  for (const std::string& path : message.attachments) {
    files->push_back(open_binary_file_waiting(path, FileAccess::kReadDenyWrite, kAttachmentOpenBudgetMs));
    if (!files->back()) return false;
  }
  return true;
}

}  // namespace

int read_reply(MailConnection& connection) {
  std::string line;
  char buffer[512];
  for (;;) {
    int got = 0;
    if (connection.receive(buffer, sizeof buffer, &got) != Outcome::kDone) return 0;
    for (int i = 0; i < got; ++i) {
      if (buffer[i] != '\n') {
        if (line.size() < kReplyLineChars) line += buffer[i];
        continue;
      }
      if (line.size() >= 4 && line[3] == '-') {
        line.clear();
        continue;
      }
      return std::atoi(line.c_str());
    }
  }
}

Outcome smtp_send(const MailMessage& message, MailConnection& connection, const StopSignal& stop,
              MailReporter& reporter, const MailTime* now) {
  OpenFiles files;
  if (!open_attachments(message, &files)) return Outcome::kFailed;
  SmtpHost host = parse_smtp_host(message.host_text);
  Outcome connected = host.name.empty() ? Outcome::kFailed : connection.connect(host.name, host.port);
  if (connected == Outcome::kStopped) return Outcome::kStopped;
  if (connected != Outcome::kDone) {
    reporter.show_error(host.host.empty() ? std::string(kSmtpNoHostText) : formatted(kSmtpConnectText, host.host));
    return Outcome::kFailed;
  }

  Outcome secured = smtp_secure_at_connect(connection, host, stop, reporter);
  if (secured != Outcome::kDone) return secured;

  SmtpSession session(connection, stop, reporter);
  if (read_reply(connection) != 220) return session.fail(kSmtpGreetingText);
  Outcome greeted = smtp_hello_and_login(connection, host, message.allow_plain_login, stop, reporter);
  if (greeted != Outcome::kDone) return greeted;
  if (session.reply_to("MAIL FROM:<", message.from, ">\r\n") != 250) return session.fail(kSmtpMailFromText);

  int accepted = 0, refused = 0;
  for (const std::string& recipient : split_recipients(message.to)) {
    int code = session.reply_to("RCPT TO:<", recipient, ">\r\n");
    if (code == 250 || code == 251)
      ++accepted;
    else
      ++refused;
  }
  if (accepted == 0 || session.send_failed()) return session.fail(kSmtpRcptText);
  if (session.reply_to("DATA\r\n") != 354) return session.fail(kSmtpDataText);

  Outcome written = session.write_message(message, files, now);
  if (stop.stop_requested()) written = Outcome::kStopped;
  if (written != Outcome::kDone) {
    // A message the server stopped taking ends as its terminator would have.
    if (written == Outcome::kFailed && session.send_failed()) return session.fail(kSmtpTerminatorText);
    connection.close();
    return written;
  }
  if (session.reply_to("\r\n.\r\n") != 250) return session.fail(kSmtpTerminatorText);
  session.reply_to("QUIT\r\n");
  connection.close();
  // The mail went to the others; the one refused still makes the delivery fail.
  if (refused > 0) {
    if (stop.stop_requested()) return Outcome::kStopped;
    reporter.show_error(kSmtpRcptText);
    return Outcome::kFailed;
  }
  return Outcome::kDone;
}

MailMessage recording_mail(const std::string& recording_path) {
  std::string name = file_name_of(recording_path);
  MailMessage message;
  message.subject = formatted(kMailSubject, name);
  message.body = std::string(kMailBodyIntro) + kProductTitle + formatted(kMailBodyFileName, name) + kMailBodyEditor +
                 kEditorWebPage + kMailBodySignature + kProductTitle + "\r\n";
  message.attachments.push_back(recording_path);
  return message;
}

}  // namespace vt
