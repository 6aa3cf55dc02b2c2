// The version check's portable part: the version file's address, the request, the
// reply (URL-query pairs "version=2.05&info=http://..."), and the decision to offer.
#pragma once
#include <string>

namespace vt {

static const char kProgramVersionText[] = "2.01";
constexpr int kProgramVersionHundredths = 201;
static const char kVersionFilePath[] = "/versions/vocatrack.txt";
// Only this much of the reply is read, headers included.
constexpr int kVersionReplyLimit = 511;

struct HttpAddress {
  std::string host;  // as written in the address, with any ":port"
  std::string name;  // the host name alone, to resolve
  int port = 80;
  std::string path;  // "/" when the address has none
  bool secure = false;  // https: TLS, port 443 unless one is given
};

// The whole address in lower case, split at "//" and the next "/"; a port after a
// colon. False for an address without "//", an empty host or a bad port.
bool split_http_address(const std::string& url, HttpAddress* address);
// "GET <path> HTTP/1.0\r\nHost: <host>\r\n\r\n".
std::string version_request(const HttpAddress& address);

struct VersionReply {
  int hundredths = 0;      // the announced version x 100; 0 when none was found
  std::string info_url;    // up to the next '&' or the end; empty when none
};

// Looks in the reply's body (after the blank line that ends the headers; the whole
// text when there is none) for "version=" and "info=".
VersionReply parse_version_reply(const std::string& reply);

// A decimal "2.05" as hundredths (205), digit by digit: "2.3" is 230 and further
// decimals are cut ("2.019" is 201). False when no digit leads.
bool parse_version_hundredths(const std::string& text, int* hundredths);

// Whether the user is asked: a version of at least 1.00 that is newer than the last
// one they were told about (itself at least 1.00).
bool version_is_news(int announced, int last_told);

// Only web addresses are handed to the shell: a reply must not make it start a
// local program or open a file.
bool is_web_address(const std::string& url);

}  // namespace vt
