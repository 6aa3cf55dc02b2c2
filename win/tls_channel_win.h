// One TLS client session through the system's SChannel (SSPI): handshake, the
// server certificate checked against the trusted roots and the host name, records
// encrypted and decrypted, close_notify on shutdown. The bytes travel through a
// transport the caller supplies, so mail and FTP share it over their own sockets.
// Buffers are fixed when the session starts: one record in, one record out.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "base/outcome.h"

#define SECURITY_WIN32
#include <windows.h>
#include <security.h>

namespace vt {

// The peer's bytes; results as Outcome (as the delivery's sends).
class TlsTransport {
 public:
  virtual ~TlsTransport() {}
  virtual Outcome send_all(const char* data, size_t length) = 0;
  // One receive; *got > 0 on 0.
  virtual Outcome receive(char* buffer, int capacity, int* got) = 0;
};

// Why a session ended or never began.
enum class TlsFailure {
  kNone,
  kHandshake,      // no common protocol, alert from the server, SSPI missing
  kUntrusted,      // chain not ending in a trusted root, or a bad signature
  kWrongName,      // certificate for another host name
  kExpired,        // out of its validity period
  kRevoked,
  kBadCertificate,  // any other certificate fault
  kProtocol,       // malformed or oversized record, renegotiation
  kClosed,         // the connection ended
};

class TlsChannel {
 public:
  explicit TlsChannel(TlsTransport& transport) : transport_(transport) {}
  ~TlsChannel() { release(); }
  TlsChannel(const TlsChannel&) = delete;
  TlsChannel& operator=(const TlsChannel&) = delete;

  // Runs the handshake with `host` (also the name the certificate must carry).
  Outcome handshake(const std::string& host);
  Outcome send_all(const char* data, size_t length);
  Outcome receive(char* buffer, int capacity, int* got);
  // Sends close_notify when the session is up; the context is freed in any case.
  void shutdown();
  TlsFailure failure() const { return failure_; }

 private:
  Outcome fail(TlsFailure why, Outcome result = Outcome::kFailed);
  Outcome read_more();
  Outcome send_token(SecBuffer& token);
  TlsFailure check_certificate(const std::string& host);
  Outcome decrypt_pending();
  void keep_extra(const SecBuffer* extra);
  void release();

  TlsTransport& transport_;
  CredHandle credentials_ = {};
  CtxtHandle context_ = {};
  bool have_credentials_ = false, have_context_ = false, ready_ = false;
  TlsFailure failure_ = TlsFailure::kNone;
  SecPkgContext_StreamSizes sizes_ = {};
  std::vector<char> in_;     // ciphertext received, not yet decrypted
  size_t in_used_ = 0;
  std::vector<char> plain_;  // decrypted bytes not yet handed out
  size_t plain_at_ = 0, plain_end_ = 0;
  std::vector<char> out_;    // one record being sent
};

}  // namespace vt
