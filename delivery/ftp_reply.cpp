#include "delivery/ftp_reply.h"

#include <cstdio>

namespace vt {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// "nnn" then " " (last line) or "-" (first of several); a bare "nnn" ends a reply too.
int code_of(const std::string& line, bool* continued) {
  if (line.size() < 3 || !is_digit(line[0]) || !is_digit(line[1]) || !is_digit(line[2])) return 0;
  if (line.size() > 3 && line[3] != ' ' && line[3] != '-') return 0;
  *continued = line.size() > 3 && line[3] == '-';
  return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

}  // namespace

bool FtpReplyReader::add(const char* data, size_t length) {
  if (malformed_ || pending_.size() + length > kMaxReplyBytes) {
    malformed_ = true;
    pending_.clear();
    return false;
  }
  pending_.append(data, length);
  return true;
}

// A multi-line reply ends at the line that starts with the same code and a blank;
// lines between may say anything (RFC 959, 4.2).
FtpReplyState FtpReplyReader::take(FtpReply* reply) {
  if (malformed_) return FtpReplyState::kMalformed;
  size_t start = 0;
  int code = 0;
  std::string text;
  for (;;) {
    size_t end = pending_.find('\n', start);
    if (end == std::string::npos) return FtpReplyState::kIncomplete;
    std::string line = pending_.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
    bool continued = false;
    int line_code = code_of(line, &continued);
    if (code == 0) {
      if (line_code == 0) {
        malformed_ = true;
        pending_.clear();
        return FtpReplyState::kMalformed;
      }
      code = line_code;
      text += line + "\n";
      if (!continued) break;
      continue;
    }
    text += line + "\n";
    if (line_code == code && !continued) break;
  }
  pending_.erase(0, start);
  reply->code = code;
  reply->text = text;
  return FtpReplyState::kComplete;
}

bool parse_passive_reply(const std::string& text, PassiveAddress* address) {
  // The six numbers are the first run of digits and commas after the code.
  for (size_t at = 4; at < text.size(); ++at) {
    if (!is_digit(text[at])) continue;
    int numbers[6];
    int count = 0;
    size_t p = at;
    while (count < 6) {
      while (p < text.size() && text[p] == ' ') ++p;
      if (p >= text.size() || !is_digit(text[p])) break;
      int value = 0;
      int digits = 0;
      while (p < text.size() && is_digit(text[p]) && digits < 4) value = value * 10 + (text[p++] - '0'), ++digits;
      if (value > 255 || (p < text.size() && is_digit(text[p]))) return false;
      numbers[count++] = value;
      while (p < text.size() && text[p] == ' ') ++p;
      if (count < 6) {
        if (p >= text.size() || text[p] != ',') break;
        ++p;
      }
    }
    if (count != 6) return false;
    char host[16];
    std::snprintf(host, sizeof host, "%d.%d.%d.%d", numbers[0], numbers[1], numbers[2], numbers[3]);
    address->host = host;
    address->port = numbers[4] * 256 + numbers[5];
    return address->port != 0;
  }
  return false;
}

}  // namespace vt
