// The mail client: a plain SMTP dialogue with optional AUTH LOGIN, sending a MIME
// message with a text part and the recordings as base64 attachments.
#pragma once
#include <string>
#include <vector>

#include "delivery/mail_connection.h"

namespace vt {

struct MailMessage {
  std::string to;  // recipients separated by commas
  std::string from;
  std::string subject, body;  // CP1252 text; the body's lines end in CRLF
  std::vector<std::string> attachments;  // full paths
  std::string host_text;  // SMTP host, optional login and port
  // The login may go out on a connection without TLS (the server offers none).
  bool allow_plain_login = false;
};

// Where the client's own failure messages go (the queue shows them in a box).
class MailReporter {
 public:
  virtual ~MailReporter() {}
  virtual void show_error(const std::string& text) = 0;
};

// The reply code of one reply (continuation lines "nnn-" are read past), 0 when a
// receive failed, was stopped or the reply was not a number.
int read_reply(MailConnection& connection);

// Sends the message; kStopped shows no message, kFailed shows its message
// first. `now` null leaves the Date header empty.
Outcome smtp_send(const MailMessage& message, MailConnection& connection, const StopSignal& stop,
              MailReporter& reporter, const MailTime* now);

// The e-mail that carries one recording (subject and body of the product).
MailMessage recording_mail(const std::string& recording_path);

}  // namespace vt
