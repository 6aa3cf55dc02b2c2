#include "delivery/tls_mail_connection_win.h"

#include "delivery/delivery_texts.h"

namespace vt {

namespace {

constexpr int kHandshakeBudgetMs = 20000;

}  // namespace

const char* tls_failure_text(TlsFailure failure) {
  switch (failure) {
    case TlsFailure::kUntrusted:
      return kTlsReasonUntrusted;
    case TlsFailure::kWrongName:
      return kTlsReasonWrongName;
    case TlsFailure::kExpired:
      return kTlsReasonExpired;
    case TlsFailure::kRevoked:
      return kTlsReasonRevoked;
    case TlsFailure::kBadCertificate:
      return kTlsReasonBadCertificate;
    case TlsFailure::kProtocol:
      return kTlsReasonProtocol;
    case TlsFailure::kClosed:
      return kTlsReasonClosed;
    case TlsFailure::kNone:
    case TlsFailure::kHandshake:
      break;
  }
  return kTlsReasonHandshake;
}

Outcome TlsMailConnection::connect(const std::string& host, int port) {
  close();
  failure_.clear();
  return plain_.connect(host, port);
}

Outcome TlsMailConnection::receive(char* buffer, int capacity, int* got) {
  if (!channel_) return plain_.receive(buffer, capacity, got);
  return channel_->receive(buffer, capacity, got);
}

Outcome TlsMailConnection::send_all(const char* data, size_t length, int budget_ms) {
  if (!channel_) return plain_.send_all(data, length, budget_ms);
  transport_.budget_ms = budget_ms;
  return channel_->send_all(data, length);
}

void TlsMailConnection::close() {
  if (channel_) {
    transport_.budget_ms = kHandshakeBudgetMs;
    channel_->shutdown();
    channel_.reset();
  }
  plain_.close();
}

// A failed handshake never leaves the connection usable in clear.
Outcome TlsMailConnection::start_tls(const std::string& host) {
  channel_.reset(new TlsChannel(transport_));
  transport_.budget_ms = kHandshakeBudgetMs;
  Outcome result = channel_->handshake(host);
  if (result == Outcome::kDone) return Outcome::kDone;
  failure_ = tls_failure_text(channel_->failure());
  channel_.reset();
  plain_.close();
  return result;
}

}  // namespace vt
