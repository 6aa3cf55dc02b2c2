// The FTP control connection's replies, read from the bytes as they arrive: one-line
// replies ("226 Fichier reçu") and multi-line ones ("211-" ... "211 Fin"), and the
// address of a passive-mode reply (227).
#pragma once
#include <cstddef>
#include <string>

namespace vt {

enum class FtpReplyState { kIncomplete, kComplete, kMalformed };

struct FtpReply {
  int code = 0;
  std::string text;  // every line, each ended by "\n"
};

class FtpReplyReader {
 public:
  // The bytes of one receive; false (and malformed from then on) past the bound.
  bool add(const char* data, size_t length);
  // The next whole reply, taken out of the bytes received.
  FtpReplyState take(FtpReply* reply);
  // Bytes received after the last reply taken: nothing may follow a reply that
  // hands the connection over to TLS.
  bool has_pending() const { return !pending_.empty(); }

  // A reply and the lines it may span are bounded: a server that never ends one is
  // a failure, not a growing buffer.
  static constexpr size_t kMaxReplyBytes = 16384;

 private:
  std::string pending_;
  bool malformed_ = false;
};

struct PassiveAddress {
  std::string host;  // dotted
  int port = 0;
};

// The "(h1,h2,h3,h4,p1,p2)" of a 227 reply's text, blanks allowed between the numbers
// and the parenthesis optional; false when there is none or a number is out of range.
bool parse_passive_reply(const std::string& text, PassiveAddress* address);

}  // namespace vt
