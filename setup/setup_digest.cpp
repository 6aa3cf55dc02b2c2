#include "setup/setup_digest.h"

#include <cctype>

namespace vt {

namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool same_name(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// One line: 64 digits, then nothing, or blanks, an optional '*' and the name.
bool parse_line(std::string line, const std::string& file_name, uint8_t digest[32]) {
  while (!line.empty() && is_blank(line.back())) line.pop_back();
  size_t at = 0;
  while (at < line.size() && is_blank(line[at])) ++at;
  if (line.size() - at < 64) return false;
  uint8_t read[32];
  for (int i = 0; i < 32; ++i) {
    int high = hex_value(line[at + 2 * i]), low = hex_value(line[at + 2 * i + 1]);
    if (high < 0 || low < 0) return false;
    read[i] = static_cast<uint8_t>(high * 16 + low);
  }
  at += 64;
  if (at < line.size()) {
    if (!is_blank(line[at])) return false;  // more digits: not a SHA-256
    while (at < line.size() && is_blank(line[at])) ++at;
    if (at < line.size() && line[at] == '*') ++at;
    std::string name = line.substr(at);
    size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    if (!same_name(name, file_name)) return false;
  }
  for (int i = 0; i < 32; ++i) digest[i] = read[i];
  return true;
}

}  // namespace

bool parse_published_digest(const std::string& text, const std::string& file_name, uint8_t digest[32]) {
  if (text.size() > kDigestFileLimit) return false;
  size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (parse_line(text.substr(start, end - start), file_name, digest)) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace vt
