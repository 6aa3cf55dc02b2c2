#include "delivery/mail_text.h"

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cctype>
#include <cstring>

#include "formats/recording_formats.h"

namespace vt {

namespace {

// The port after the first ':' of the host, which is cut there.
void split_port(SmtpHost* parsed) {
  size_t colon = parsed->host.find(':');
  parsed->name = parsed->host.substr(0, colon);
  if (colon == std::string::npos) return;
  const char* digits = parsed->host.c_str() + colon + 1;
  char* end = nullptr;
  long port = std::strtol(digits, &end, 10);
  if (end != digits && port > 0 && port <= 65535) parsed->port = static_cast<int>(port);
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool printable_ascii(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

}  // namespace

SmtpHost parse_smtp_host(const std::string& text) {
  SmtpHost parsed;
  size_t at = text.find('@');
  if (at != std::string::npos) {
    // A second '@' lets the user name itself be an address.
    size_t second = text.find('@', at + 1);
    if (second != std::string::npos) at = second;
    parsed.host = text.substr(at + 1);
    std::string login = text.substr(0, at);
    size_t colon = login.find(':');
    parsed.user = login.substr(0, colon);
    if (colon != std::string::npos) parsed.password = login.substr(colon + 1);
  } else {
    size_t colon = text.find(':');
    parsed.host = text.substr(0, colon);
    if (colon != std::string::npos) {
      std::string rest = text.substr(colon + 1);
      size_t next = rest.find(':');
      parsed.user = rest.substr(0, next);
      if (next != std::string::npos) parsed.password = rest.substr(next + 1);
    }
  }
  split_port(&parsed);
  return parsed;
}

std::vector<std::string> split_recipients(const std::string& to) {
  std::vector<std::string> recipients;
  size_t start = 0;
  while (start <= to.size()) {
    size_t comma = to.find(',', start);
    if (comma == std::string::npos) comma = to.size();
    size_t first = start, last = comma;
    while (first < last && is_blank(to[first])) ++first;
    while (last > first && is_blank(to[last - 1])) --last;
    if (last > first) recipients.push_back(to.substr(first, std::min(last - first, kMaxRecipientChars)));
    start = comma + 1;
  }
  return recipients;
}

std::string base64_encode(const uint8_t* data, size_t length) {
  // RFC 4648, table 1.
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((length + 2) / 3 * 4);
  for (size_t i = 0; i < length; i += 3) {
    uint32_t group = static_cast<uint32_t>(data[i]) << 16;
    if (i + 1 < length) group |= static_cast<uint32_t>(data[i + 1]) << 8;
    if (i + 2 < length) group |= data[i + 2];
    out += kAlphabet[(group >> 18) & 63];
    out += kAlphabet[(group >> 12) & 63];
    out += i + 1 < length ? kAlphabet[(group >> 6) & 63] : '=';
    out += i + 2 < length ? kAlphabet[group & 63] : '=';
  }
  return out;
}

std::string encode_header_text(const std::string& text) {
  if (printable_ascii(text)) return text;
  // RFC 2047 section 5 (3): in a "Q" word in a header only these stand for themselves.
  static const char kPrefix[] = "=?windows-1252?Q?";
  static const size_t kMaxWord = 75;
  const size_t room = kMaxWord - (sizeof kPrefix - 1) - 2;
  std::string result, word;
  auto flush = [&] {
    if (!result.empty()) result += "\r\n ";
    result += kPrefix + word + "?=";
    word.clear();
  };
  for (unsigned char c : text) {
    char piece[4];
    if (std::isalnum(c) && c < 0x80) {
      piece[0] = static_cast<char>(c), piece[1] = 0;
    } else if (c == ' ') {
      std::strcpy(piece, "_");
    } else if (std::strchr("!*+-/", c) && c != 0) {
      piece[0] = static_cast<char>(c), piece[1] = 0;
    } else {
      std::snprintf(piece, sizeof piece, "=%02X", c);
    }
    if (word.size() + std::strlen(piece) > room) flush();
    word += piece;
  }
  if (!word.empty() || result.empty()) flush();
  return result;
}

std::string format_mail_date(const MailTime& time) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (time.weekday < 0 || time.weekday > 6 || time.month < 1 || time.month > 12) return std::string();
  int offset = time.utc_offset_minutes;
  char sign = offset < 0 ? '-' : '+';
  if (offset < 0) offset = -offset;
  char text[64];
  std::snprintf(text, sizeof text, "%s, %.2d %s %.4d %.2d:%.2d:%.2d %c%.2d%.2d", kDays[time.weekday], time.day,
                kMonths[time.month - 1], time.year, time.hour, time.minute, time.second, sign, offset / 60,
                offset % 60);
  return text;
}

std::string choose_boundary(const std::string& body) {
  char boundary[32];
  for (int i = 0; i < 100; ++i) {
    std::snprintf(boundary, sizeof boundary, "gc0p4Jq0M2Yt08jU534c%d", i);
    if (body.find(boundary) == std::string::npos) break;
  }
  return boundary;
}

namespace {

// RFC 2231 extended value: charset, empty language, then the bytes with everything
// but the attribute characters of RFC 5987 percent-encoded.
std::string extended_parameter_value(const std::string& text) {
  std::string value = "windows-1252''";
  for (unsigned char c : text) {
    if (std::isalnum(c) && c < 0x80) {
      value += static_cast<char>(c);
    } else if (std::strchr("!#$&+-.^_`|~", c) && c != 0) {
      value += static_cast<char>(c);
    } else {
      char piece[4];
      std::snprintf(piece, sizeof piece, "%%%02X", c);
      value += piece;
    }
  }
  return value;
}

std::string quoted(const std::string& text) {
  std::string value = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') value += '\\';
    value += c;
  }
  return value + "\"";
}

}  // namespace

std::string attachment_headers(const std::string& name) {
  const std::string type = std::string("Content-Type: ") + attachment_content_type(name);
  const char kEncoding[] = "\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment;";
  if (printable_ascii(name)) return type + "; name=" + quoted(name) + kEncoding + " filename=" + quoted(name) + "\r\n";
  const std::string value = extended_parameter_value(name);
  return type + ";\r\n name*=" + value + kEncoding + "\r\n filename*=" + value + "\r\n";
}

const char* attachment_content_type(const std::string& file_name) {
  const RecordingFormatRow* format = recording_format(format_of_path(file_name));
  return format && *format->mime_type ? format->mime_type : "application/octet-stream";
}

std::vector<std::string> dot_stuffed_pieces(const std::string& body) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (size_t found; (found = body.find("\r\n.", start)) != std::string::npos;) {
    size_t dot = found + 2;
    pieces.push_back(body.substr(start, dot + 1 - start));
    start = dot;
  }
  pieces.push_back(body.substr(start));
  return pieces;
}

}  // namespace vt

namespace vt {

std::vector<std::string> mapi_recipients(const std::string& text) {
  std::vector<std::string> recipients;
  size_t at = 0;
  auto skip_blanks = [&] {
    while (at < text.size() && text[at] >= 1 && text[at] <= 32) ++at;
  };
  skip_blanks();
  while (at < text.size()) {
    size_t stop = text.find_first_of(",\"", at);
    if (stop == std::string::npos) stop = text.size();
    std::string token = text.substr(at, stop - at);
    at = stop;
    if (at < text.size() && text[at] == '"') {
      size_t close = text.find('"', at + 1);
      if (close == std::string::npos) close = text.size();
      token = text.substr(at + 1, close - at - 1);
      at = text.find(',', close);
      if (at == std::string::npos) at = text.size();
    }
    if (at < text.size()) ++at;  // the ','
    skip_blanks();
    while (!token.empty() && (token.back() == ' ' || token.back() == '\t')) token.pop_back();
    if (token.size() > kMaxRecipientChars) token.resize(kMaxRecipientChars);
    if (!token.empty()) recipients.push_back(token);
  }
  return recipients;
}

}  // namespace vt
