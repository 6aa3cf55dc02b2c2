#include "tags/tag_text.h"

#include "tags/tag_tables.h"

namespace vt {
namespace {

char code_page_char(uint32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] && kCp1252High[i] == code) return static_cast<char>(0x80 + i);
  }
  return '?';
}

void append_utf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string text_from_utf8(const std::string& utf8) {
  std::string out;
  size_t i = 0, n = utf8.size();
  while (i < n) {
    uint8_t lead = static_cast<uint8_t>(utf8[i]);
    int more = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    if (more < 0 || i + static_cast<size_t>(more) >= n + (more == 0 ? 1 : 0)) return utf8;
    uint32_t code = more ? lead & (0x3F >> more) : lead;
    for (int k = 1; k <= more; ++k) {
      uint8_t next = static_cast<uint8_t>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) return utf8;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms are not UTF-8.
    if ((more == 1 && code < 0x80) || (more == 2 && code < 0x800) || (more == 3 && code < 0x10000)) return utf8;
    out += code_page_char(code);
    i += static_cast<size_t>(more) + 1;
  }
  return out;
}

std::string text_from_utf16(const uint8_t* data, size_t bytes, bool big_endian) {
  size_t i = 0;
  if (bytes >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    big_endian = false;
    i = 2;
  } else if (bytes >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
    big_endian = true;
    i = 2;
  }
  std::string out;
  for (; i + 1 < bytes; i += 2) {
    uint32_t unit = big_endian ? (data[i] << 8 | data[i + 1]) : (data[i + 1] << 8 | data[i]);
    if (unit == 0) break;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 3 < bytes) i += 2;  // a pair stands for one character outside the code page
      out += '?';
      continue;
    }
    out += code_page_char(unit);
  }
  return out;
}

std::string utf16le_from_text(const std::string& text) {
  std::string out = "\xFF\xFE";
  for (char c : text) {
    uint8_t byte = static_cast<uint8_t>(c);
    uint32_t code = byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
    if (!code) code = 0xFFFD;
    out += static_cast<char>(code & 0xFF);
    out += static_cast<char>(code >> 8);
  }
  return out;
}

std::string utf8_from_text(const std::string& text) {
  std::string out;
  for (char c : text) {
    uint8_t byte = static_cast<uint8_t>(c);
    uint32_t code = byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
    append_utf8(out, code ? code : 0xFFFD);
  }
  return out;
}

}  // namespace vt
