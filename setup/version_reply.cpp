#include "setup/version_reply.h"

#include <cctype>
#include <cstring>

namespace vt {
namespace {

const char kVersionKey[] = "version=";
const char kInfoKey[] = "info=";

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool starts_with_nocase(const std::string& text, const char* prefix) {
  size_t n = std::strlen(prefix);
  return text.size() >= n && lower(text.substr(0, n)) == prefix;
}

}  // namespace

bool split_http_address(const std::string& url, HttpAddress* address) {
  std::string text = lower(url);
  size_t slashes = text.find("//");
  if (slashes == std::string::npos) return false;
  size_t host_start = slashes + 2;
  size_t path_start = text.find('/', host_start);
  address->host = text.substr(host_start, path_start == std::string::npos ? std::string::npos : path_start - host_start);
  if (address->host.size() > 259) address->host.resize(259);
  address->path = path_start == std::string::npos ? "/" : text.substr(path_start);
  address->name = address->host;
  address->secure = text.compare(0, slashes, "https:") == 0;
  address->port = address->secure ? 443 : 80;
  size_t colon = address->host.find(':');
  if (colon != std::string::npos) {
    address->name = address->host.substr(0, colon);
    std::string digits = address->host.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return false;
    int port = 0;
    for (char c : digits) {
      if (!std::isdigit(static_cast<unsigned char>(c))) return false;
      port = port * 10 + (c - '0');
    }
    if (port <= 0 || port > 65535) return false;
    address->port = port;
  }
  return !address->name.empty();
}

std::string version_request(const HttpAddress& address) {
  return "GET " + address.path + " HTTP/1.0\r\nHost: " + address.host + "\r\n\r\n";
}

bool parse_version_hundredths(const std::string& text, int* hundredths) {
  size_t at = 0;
  long whole = 0;
  bool digits = false;
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
    digits = true;
    if (whole < 1000000) whole = whole * 10 + (text[at] - '0');
    ++at;
  }
  if (!digits) return false;
  int fraction = 0;
  if (at < text.size() && text[at] == '.') {
    ++at;
    for (int place = 0; place < 2; ++place) {
      fraction *= 10;
      if (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) fraction += text[at++] - '0';
    }
  }
  *hundredths = static_cast<int>(whole * 100 + fraction);
  return true;
}

VersionReply parse_version_reply(const std::string& reply) {
  VersionReply parsed;
  size_t end_of_headers = reply.find("\r\n\r\n");
  std::string body = end_of_headers == std::string::npos ? reply : reply.substr(end_of_headers + 4);
  size_t version = body.find(kVersionKey);
  if (version != std::string::npos) {
    int value = 0;
    if (parse_version_hundredths(body.substr(version + std::strlen(kVersionKey)), &value)) parsed.hundredths = value;
  }
  size_t info = body.find(kInfoKey);
  if (info != std::string::npos) {
    size_t start = info + std::strlen(kInfoKey);
    size_t end = body.find('&', start);
    std::string url = body.substr(start, end == std::string::npos ? std::string::npos : end - start);
    // The file usually ends with a line break, which is not part of the address.
    while (!url.empty() && std::isspace(static_cast<unsigned char>(url.back()))) url.pop_back();
    parsed.info_url = url;
  }
  return parsed;
}

bool version_is_news(int announced, int last_told) {
  return announced >= 100 && last_told >= 100 && last_told < announced;
}

bool is_web_address(const std::string& url) {
  if (!starts_with_nocase(url, "http://") && !starts_with_nocase(url, "https://")) return false;
  // One address, nothing the shell could read as arguments or a second command.
  for (char c : url) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u <= ' ' || c == '"' || u == 0x7F) return false;
  }
  return true;
}

}  // namespace vt
