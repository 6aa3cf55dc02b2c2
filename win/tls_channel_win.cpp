#include "win/tls_channel_win.h"

#include <schannel.h>
#include <wincrypt.h>

#include <cstring>

namespace vt {

namespace {

// A TLS record on the wire: 5-byte header, at most 2^14 + 2048 bytes of payload.
constexpr size_t kMaxRecord = 5 + 16384 + 2048;
// A handshake flight may carry several records (certificate chains); SChannel takes
// them one at a time, so one record of room is enough, with the unread rest kept.
constexpr size_t kInputCapacity = kMaxRecord;
constexpr DWORD kRequestFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_MANUAL_CRED_VALIDATION;

constexpr Outcome kDone = Outcome::kDone;
constexpr Outcome kFailed = Outcome::kFailed;

std::wstring wide(const std::string& text) {
  int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring result(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &result[0], length);
  result.resize(static_cast<size_t>(length - 1));
  return result;
}

TlsFailure failure_of_policy(DWORD error) {
  switch (error) {
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
      return TlsFailure::kWrongName;
    case static_cast<DWORD>(CERT_E_EXPIRED):
    case static_cast<DWORD>(CERT_E_VALIDITYPERIODNESTING):
      return TlsFailure::kExpired;
    case static_cast<DWORD>(CRYPT_E_REVOKED):
      return TlsFailure::kRevoked;
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
    case static_cast<DWORD>(CERT_E_UNTRUSTEDTESTROOT):
    case static_cast<DWORD>(CERT_E_CHAINING):
    case static_cast<DWORD>(TRUST_E_CERT_SIGNATURE):
      return TlsFailure::kUntrusted;
    default:
      return TlsFailure::kBadCertificate;
  }
}

// Frees what SSPI allocated for an output token, on every path.
struct ContextBuffer {
  explicit ContextBuffer(SecBuffer& buffer) : buffer_(buffer) {}
  ~ContextBuffer() {
    if (buffer_.pvBuffer) FreeContextBuffer(buffer_.pvBuffer);
    buffer_.pvBuffer = nullptr;
  }
  SecBuffer& buffer_;
};

}  // namespace

Outcome TlsChannel::fail(TlsFailure why, Outcome result) {
  if (failure_ == TlsFailure::kNone) failure_ = why;
  release();
  return result;
}

void TlsChannel::release() {
  if (have_context_) DeleteSecurityContext(&context_);
  if (have_credentials_) FreeCredentialsHandle(&credentials_);
  have_context_ = have_credentials_ = ready_ = false;
  in_used_ = plain_at_ = plain_end_ = 0;
}

// Adds at least one byte to the input; a full buffer that still holds no whole
// record is a record larger than the protocol allows.
Outcome TlsChannel::read_more() {
  if (in_used_ >= in_.size()) return fail(TlsFailure::kProtocol);
  int got = 0;
  Outcome received = transport_.receive(in_.data() + in_used_, static_cast<int>(in_.size() - in_used_), &got);
  if (received != kDone) return fail(TlsFailure::kClosed, received);
  in_used_ += static_cast<size_t>(got);
  return kDone;
}

Outcome TlsChannel::send_token(SecBuffer& token) {
  if (!token.pvBuffer || token.cbBuffer == 0) return kDone;
  return transport_.send_all(static_cast<const char*>(token.pvBuffer), token.cbBuffer);
}

// What SChannel did not consume moves to the front of the input.
void TlsChannel::keep_extra(const SecBuffer* extra) {
  if (!extra || extra->BufferType != SECBUFFER_EXTRA || extra->cbBuffer == 0 || extra->cbBuffer > in_used_) {
    in_used_ = 0;
    return;
  }
  std::memmove(in_.data(), in_.data() + (in_used_ - extra->cbBuffer), extra->cbBuffer);
  in_used_ = extra->cbBuffer;
}

Outcome TlsChannel::handshake(const std::string& host) {
  release();
  failure_ = TlsFailure::kNone;
  in_.assign(kInputCapacity, 0);
  plain_.assign(kMaxRecord, 0);

  SCHANNEL_CRED wanted = {};
  wanted.dwVersion = SCHANNEL_CRED_VERSION;
  // The certificate is checked below, with the host name; no client certificate.
  wanted.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  TimeStamp expiry;
  if (AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND, nullptr, &wanted,
                                nullptr, nullptr, &credentials_, &expiry) != SEC_E_OK)
    return fail(TlsFailure::kHandshake);
  have_credentials_ = true;

  char* target = const_cast<char*>(host.c_str());
  bool first = true;
  // Each round reads or moves the handshake on; the count only guards against a loop.
  for (int rounds = 0; rounds < 4096; ++rounds) {
    SecBuffer in_buffers[2] = {{static_cast<unsigned long>(in_used_), SECBUFFER_TOKEN, in_.data()},
                               {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc in_desc = {SECBUFFER_VERSION, 2, in_buffers};
    SecBuffer out_buffers[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc out_desc = {SECBUFFER_VERSION, 1, out_buffers};
    ContextBuffer owned(out_buffers[0]);
    unsigned long got_flags = 0;
    SECURITY_STATUS status =
        InitializeSecurityContextA(&credentials_, first ? nullptr : &context_, target, kRequestFlags, 0, 0,
                                   first ? nullptr : &in_desc, 0, first ? &context_ : nullptr, &out_desc,
                                   &got_flags, &expiry);
    if (first) {
      if (status != SEC_I_CONTINUE_NEEDED && status != SEC_E_OK) return fail(TlsFailure::kHandshake);
      have_context_ = true;
      first = false;
    }
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      Outcome read = read_more();
      if (read != kDone) return read;
      continue;
    }
    // A token goes out even with an error: it is then the alert that tells the server.
    if (out_buffers[0].cbBuffer > 0) {
      Outcome sent = send_token(out_buffers[0]);
      if (sent != kDone) return fail(TlsFailure::kClosed, sent);
    }
    if (status == SEC_E_OK) {
      keep_extra(&in_buffers[1]);
      break;
    }
    if (status == SEC_I_CONTINUE_NEEDED || status == SEC_I_INCOMPLETE_CREDENTIALS) {
      if (status == SEC_I_CONTINUE_NEEDED && rounds > 0) keep_extra(&in_buffers[1]);
      if (in_used_ == 0) {
        Outcome read = read_more();
        if (read != kDone) return read;
      }
      continue;
    }
    return fail(TlsFailure::kHandshake);
  }
  if (!have_context_ || !have_credentials_) return fail(TlsFailure::kHandshake);

  TlsFailure certificate = check_certificate(host);
  if (certificate != TlsFailure::kNone) {
    shutdown();
    return fail(certificate);
  }
  if (QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK ||
      sizes_.cbMaximumMessage == 0 || sizes_.cbMaximumMessage > 16384 || sizes_.cbHeader > 1024 ||
      sizes_.cbTrailer > 1024)
    return fail(TlsFailure::kHandshake);
  out_.assign(sizes_.cbHeader + sizes_.cbMaximumMessage + sizes_.cbTrailer, 0);
  ready_ = true;
  // Application data that came with the last handshake record is decrypted on demand.
  return kDone;
}

// The chain must end in a trusted root and the leaf carry the host's name.
TlsFailure TlsChannel::check_certificate(const std::string& host) {
  PCCERT_CONTEXT leaf = nullptr;
  if (QueryContextAttributesA(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &leaf) != SEC_E_OK || !leaf)
    return TlsFailure::kBadCertificate;
  LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH), const_cast<LPSTR>(szOID_SERVER_GATED_CRYPTO),
                    const_cast<LPSTR>(szOID_SGC_NETSCAPE)};
  CERT_CHAIN_PARA chain_para = {};
  chain_para.cbSize = sizeof chain_para;
  chain_para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chain_para.RequestedUsage.Usage.cUsageIdentifier = 3;
  chain_para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  BOOL built = CertGetCertificateChain(nullptr, leaf, nullptr, leaf->hCertStore, &chain_para, 0, nullptr, &chain);
  CertFreeCertificateContext(leaf);
  if (!built || !chain) return TlsFailure::kUntrusted;

  std::wstring name = wide(host);
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = &name[0];
  CERT_CHAIN_POLICY_PARA policy = {};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status = {};
  status.cbSize = sizeof status;
  BOOL checked = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status);
  DWORD trust = chain->TrustStatus.dwErrorStatus;
  CertFreeCertificateChain(chain);
  if (!checked) return TlsFailure::kBadCertificate;
  if (status.dwError != 0) return failure_of_policy(status.dwError);
  // The policy reports the first fault it meets; the chain's own status covers the rest.
  if (trust & CERT_TRUST_IS_NOT_TIME_VALID) return TlsFailure::kExpired;
  if (trust & CERT_TRUST_IS_REVOKED) return TlsFailure::kRevoked;
  if (trust & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_NOT_SIGNATURE_VALID))
    return TlsFailure::kUntrusted;
  return TlsFailure::kNone;
}

Outcome TlsChannel::send_all(const char* data, size_t length) {
  if (!ready_) return kFailed;
  while (length > 0) {
    size_t piece = length < sizes_.cbMaximumMessage ? length : sizes_.cbMaximumMessage;
    std::memcpy(out_.data() + sizes_.cbHeader, data, piece);
    SecBuffer buffers[4] = {{sizes_.cbHeader, SECBUFFER_STREAM_HEADER, out_.data()},
                            {static_cast<unsigned long>(piece), SECBUFFER_DATA, out_.data() + sizes_.cbHeader},
                            {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, out_.data() + sizes_.cbHeader + piece},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
    if (EncryptMessage(&context_, 0, &desc, 0) != SEC_E_OK) return fail(TlsFailure::kProtocol);
    size_t total = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
    if (total > out_.size()) return fail(TlsFailure::kProtocol);
    Outcome sent = transport_.send_all(out_.data(), total);
    if (sent != kDone) return sent == Outcome::kStopped ? sent : fail(TlsFailure::kClosed);
    data += piece;
    length -= piece;
  }
  return kDone;
}

// Decrypts one record from the input into the plain buffer: 0 with plain bytes,
// 0 with none when more input is needed (in_used_ unchanged), 2 on any fault.
Outcome TlsChannel::decrypt_pending() {
  if (in_used_ == 0) return kDone;
  SecBuffer buffers[4] = {{static_cast<unsigned long>(in_used_), SECBUFFER_DATA, in_.data()},
                          {0, SECBUFFER_EMPTY, nullptr},
                          {0, SECBUFFER_EMPTY, nullptr},
                          {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
  SECURITY_STATUS status = DecryptMessage(&context_, &desc, 0, nullptr);
  if (status == SEC_E_INCOMPLETE_MESSAGE) return kDone;
  // close_notify: the server ended the session.
  if (status == SEC_I_CONTEXT_EXPIRED) return fail(TlsFailure::kClosed);
  if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE) return fail(TlsFailure::kProtocol);
  const SecBuffer* data = nullptr;
  const SecBuffer* extra = nullptr;
  for (const SecBuffer& buffer : buffers) {
    if (buffer.BufferType == SECBUFFER_DATA && !data) data = &buffer;
    if (buffer.BufferType == SECBUFFER_EXTRA && !extra) extra = &buffer;
  }
  if (data && data->cbBuffer > 0) {
    if (data->cbBuffer > plain_.size()) return fail(TlsFailure::kProtocol);
    std::memmove(plain_.data(), data->pvBuffer, data->cbBuffer);
    plain_at_ = 0;
    plain_end_ = data->cbBuffer;
  }
  if (status == SEC_E_OK) {
    keep_extra(extra);
    return kDone;
  }
  // Post-handshake messages (TLS 1.3 session tickets) are taken in when they need
  // no answer; a server asking for a new handshake mid-session is refused.
  size_t extra_bytes = extra && extra->BufferType == SECBUFFER_EXTRA ? extra->cbBuffer : 0;
  if (extra_bytes > 0) keep_extra(extra);
  else in_used_ = 0;
  SecBuffer in_buffers[2] = {{static_cast<unsigned long>(in_used_), SECBUFFER_TOKEN, in_.data()},
                             {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc in_desc = {SECBUFFER_VERSION, 2, in_buffers};
  SecBuffer out_buffers[1] = {{0, SECBUFFER_TOKEN, nullptr}};
  SecBufferDesc out_desc = {SECBUFFER_VERSION, 1, out_buffers};
  ContextBuffer owned(out_buffers[0]);
  unsigned long got_flags = 0;
  TimeStamp expiry;
  SECURITY_STATUS again = InitializeSecurityContextA(&credentials_, &context_, nullptr, kRequestFlags, 0, 0,
                                                     &in_desc, 0, nullptr, &out_desc, &got_flags, &expiry);
  if (again != SEC_E_OK || out_buffers[0].cbBuffer > 0) return fail(TlsFailure::kProtocol);
  keep_extra(&in_buffers[1]);
  return kDone;
}

Outcome TlsChannel::receive(char* buffer, int capacity, int* got) {
  *got = 0;
  if (capacity <= 0) return kFailed;
  for (;;) {
    if (!ready_) return kFailed;
    if (plain_at_ < plain_end_) {
      size_t count = plain_end_ - plain_at_;
      if (count > static_cast<size_t>(capacity)) count = static_cast<size_t>(capacity);
      std::memcpy(buffer, plain_.data() + plain_at_, count);
      plain_at_ += count;
      *got = static_cast<int>(count);
      return kDone;
    }
    size_t before = in_used_;
    Outcome decrypted = decrypt_pending();
    if (decrypted != kDone) return decrypted;
    if (plain_at_ < plain_end_) continue;
    // Nothing came out and nothing was consumed: the record is not whole yet.
    if (in_used_ == 0 || in_used_ == before) {
      Outcome read = read_more();
      if (read != kDone) return read;
    }
  }
}

void TlsChannel::shutdown() {
  if (have_context_ && have_credentials_) {
    DWORD kind = SCHANNEL_SHUTDOWN;
    SecBuffer control[1] = {{sizeof kind, SECBUFFER_TOKEN, &kind}};
    SecBufferDesc control_desc = {SECBUFFER_VERSION, 1, control};
    if (ApplyControlToken(&context_, &control_desc) == SEC_E_OK) {
      SecBuffer out_buffers[1] = {{0, SECBUFFER_TOKEN, nullptr}};
      SecBufferDesc out_desc = {SECBUFFER_VERSION, 1, out_buffers};
      ContextBuffer owned(out_buffers[0]);
      unsigned long got_flags = 0;
      TimeStamp expiry;
      SECURITY_STATUS status = InitializeSecurityContextA(&credentials_, &context_, nullptr, kRequestFlags, 0, 0,
                                                          nullptr, 0, nullptr, &out_desc, &got_flags, &expiry);
      if ((status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED) && ready_) send_token(out_buffers[0]);
    }
  }
  release();
}

}  // namespace vt
