// The mail client's connection with TLS through the system's SChannel: plain bytes
// through the socket connection until start_tls, records through the session after.
#pragma once
#include <memory>
#include <string>

#include "delivery/mail_connection.h"
#include "win/tls_channel_win.h"

namespace vt {

class TlsMailConnection : public MailConnection {
 public:
  explicit TlsMailConnection(MailConnection& plain) : plain_(plain), transport_(plain) {}
  ~TlsMailConnection() override { close(); }
  Outcome connect(const std::string& host, int port) override;
  Outcome receive(char* buffer, int capacity, int* got) override;
  Outcome send_all(const char* data, size_t length, int budget_ms) override;
  void close() override;
  std::string local_host_name() override { return plain_.local_host_name(); }
  Outcome start_tls(const std::string& host) override;
  std::string tls_failure() const override { return failure_; }

 private:
  // The session's records over the socket, with the budget of the send under way.
  struct Transport : TlsTransport {
    explicit Transport(MailConnection& plain) : plain(plain) {}
    Outcome send_all(const char* data, size_t length) override { return plain.send_all(data, length, budget_ms); }
    Outcome receive(char* buffer, int capacity, int* got) override { return plain.receive(buffer, capacity, got); }
    MailConnection& plain;
    int budget_ms = 20000;
  };

  MailConnection& plain_;
  // Like the whole object: the one thread sending this mail (the delivery worker), no lock.
  Transport transport_;
  std::unique_ptr<TlsChannel> channel_;
  std::string failure_;
};

// The French reason shown for a session that failed.
const char* tls_failure_text(TlsFailure failure);

}  // namespace vt
