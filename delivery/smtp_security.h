// The secure part of the mail dialogue: TLS from the first byte on the submission
// port for it, STARTTLS when the server offers it, and the login only inside TLS
// unless the user allowed it in clear.
#pragma once
#include <string>

#include "delivery/mail_connection.h"
#include "delivery/mail_text.h"

namespace vt {

class MailReporter;

// The port on which servers speak TLS at once (SMTPS).
constexpr int kImplicitTlsPort = 465;

// True when the lines of a 250 reply to EHLO name the STARTTLS extension.
bool ehlo_offers_starttls(const std::string& reply);

// Right after the connect: the TLS handshake on the implicit port, nothing on the
// others. Outcome::kDone to go on; otherwise the connection is closed and any message shown.
Outcome smtp_secure_at_connect(MailConnection& connection, const SmtpHost& host, const StopSignal& stop,
                           MailReporter& reporter);

// After the greeting: EHLO (HELO when it is refused and no login is wanted), STARTTLS
// when offered, then AUTH LOGIN when the host text holds a user. Outcome::kDone to go on
// with MAIL FROM; otherwise as above.
Outcome smtp_hello_and_login(MailConnection& connection, const SmtpHost& host, bool allow_plain_login,
                         const StopSignal& stop, MailReporter& reporter);

}  // namespace vt
