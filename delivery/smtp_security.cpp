#include "delivery/smtp_security.h"

#include <cctype>
#include <cstdio>

#include "delivery/delivery_texts.h"
#include "delivery/smtp_client.h"

namespace vt {

namespace {

constexpr int kCommandBudgetMs = 20000;
// Enough for any real EHLO reply; what lies beyond is not looked at.
constexpr size_t kCapturedReplyBytes = 8192;

// Keeps the bytes of the replies read through it, so the EHLO lines can be read.
class ReplyCapture : public MailConnection {
 public:
  explicit ReplyCapture(MailConnection& inner) : inner_(inner) {}
  Outcome connect(const std::string& host, int port) override { return inner_.connect(host, port); }
  Outcome receive(char* buffer, int capacity, int* got) override {
    Outcome result = inner_.receive(buffer, capacity, got);
    if (result == Outcome::kDone && text.size() < kCapturedReplyBytes)
      text.append(buffer, static_cast<size_t>(*got) < kCapturedReplyBytes - text.size()
                              ? static_cast<size_t>(*got)
                              : kCapturedReplyBytes - text.size());
    return result;
  }
  Outcome send_all(const char* data, size_t length, int budget_ms) override {
    return inner_.send_all(data, length, budget_ms);
  }
  void close() override { inner_.close(); }
  std::string local_host_name() override { return inner_.local_host_name(); }

  std::string text;

 private:
  MailConnection& inner_;
};

class Dialogue {
 public:
  Dialogue(MailConnection& connection, const StopSignal& stop, MailReporter& reporter)
      : connection_(connection), stop_(stop), reporter_(reporter) {}

  // A command that did not go out has no reply to wait for: code 0. After the first
  // failed send nothing more goes out, so a server that stopped reading costs one budget.
  int reply_to(const std::string& line) {
    if (!send(line)) return 0;
    return read_reply(connection_);
  }
  bool send_failed() const { return send_failed_; }
  // The reply's code; its lines in *text.
  int reply_to(const std::string& line, std::string* text) {
    text->clear();
    if (!send(line)) return 0;
    ReplyCapture capture(connection_);
    int code = read_reply(capture);
    *text = capture.text;
    return code;
  }
  int base64_reply(const std::string& text) {
    std::string line = base64_encode(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    for (size_t at = 0; at < line.size() || at == 0; at += 76) {
      std::string piece = line.substr(at, 76) + "\r\n";
      if (!send(piece)) return 0;
      if (line.empty()) break;
    }
    return read_reply(connection_);
  }
  Outcome fail(const std::string& text) {
    connection_.close();
    if (stop_.stop_requested()) return Outcome::kStopped;
    reporter_.show_error(text);
    return Outcome::kFailed;
  }
  Outcome start_tls(const SmtpHost& host) {
    Outcome result = connection_.start_tls(host.name);
    if (result == Outcome::kDone) return Outcome::kDone;
    if (result == Outcome::kStopped || stop_.stop_requested()) {
      connection_.close();
      return Outcome::kStopped;
    }
    std::string reason = connection_.tls_failure();
    if (reason.empty()) reason = kTlsReasonHandshake;
    char text[1024];
    std::snprintf(text, sizeof text, kSmtpTlsFailedText, host.host.c_str(), reason.c_str());
    return fail(text);
  }

 private:
  bool send(const std::string& text) {
    if (!send_failed_) send_failed_ = connection_.send_all(text.data(), text.size(), kCommandBudgetMs) != Outcome::kDone;
    return !send_failed_;
  }

  MailConnection& connection_;
  const StopSignal& stop_;
  MailReporter& reporter_;
  bool send_failed_ = false;  // the dialogue is a local of the sending thread
};

}  // namespace

bool ehlo_offers_starttls(const std::string& reply) {
  bool first = true;  // the first line is the server's own name, never a keyword
  size_t start = 0;
  while (start < reply.size()) {
    size_t end = reply.find('\n', start);
    if (end == std::string::npos) end = reply.size();
    std::string line = reply.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < 4 || line.compare(0, 3, "250") != 0 || (line[3] != '-' && line[3] != ' ')) continue;
    if (first) {
      first = false;
      continue;
    }
    std::string keyword;
    for (size_t i = 4; i < line.size() && line[i] != ' '; ++i)
      keyword += static_cast<char>(std::toupper(static_cast<unsigned char>(line[i])));
    if (keyword == "STARTTLS") return true;
  }
  return false;
}

Outcome smtp_secure_at_connect(MailConnection& connection, const SmtpHost& host, const StopSignal& stop,
                           MailReporter& reporter) {
  if (host.port != kImplicitTlsPort) return Outcome::kDone;
  return Dialogue(connection, stop, reporter).start_tls(host);
}

Outcome smtp_hello_and_login(MailConnection& connection, const SmtpHost& host, bool allow_plain_login,
                         const StopSignal& stop, MailReporter& reporter) {
  Dialogue dialogue(connection, stop, reporter);
  std::string hello = connection.local_host_name() + "\r\n";
  bool login = !host.user.empty();
  bool secure = host.port == kImplicitTlsPort;
  std::string extensions;
  if (dialogue.reply_to("EHLO " + hello, &extensions) != 250) {
    // A server of the older protocol still takes mail without a login.
    if (login || stop.stop_requested() || dialogue.reply_to("HELO " + hello) != 250)
      return dialogue.fail(kSmtpHeloText);
    extensions.clear();
  }
  // A server that offers STARTTLS but then refuses it is treated as not offering it.
  if (dialogue.send_failed()) return dialogue.fail(kSmtpHeloText);
  if (!secure && ehlo_offers_starttls(extensions) && dialogue.reply_to("STARTTLS\r\n") == 220) {
    Outcome started = dialogue.start_tls(host);
    if (started != Outcome::kDone) return started;
    secure = true;
    if (dialogue.reply_to("EHLO " + hello) != 250) return dialogue.fail(kSmtpHeloText);
  }
  if (dialogue.send_failed()) return dialogue.fail(kSmtpHeloText);
  if (!login) return Outcome::kDone;
  if (!secure && !allow_plain_login) {
    char text[1024];
    std::snprintf(text, sizeof text, kSmtpPlainLoginText, host.host.c_str());
    return dialogue.fail(text);
  }
  // A server that does not offer the login gets the mail unauthenticated.
  if (dialogue.reply_to("AUTH LOGIN\r\n") == 334 && dialogue.base64_reply(host.user) == 334 &&
      dialogue.base64_reply(host.password) != 235)
    return dialogue.fail(kSmtpAuthText);
  if (dialogue.send_failed()) return dialogue.fail(kSmtpAuthText);
  return Outcome::kDone;
}

}  // namespace vt
