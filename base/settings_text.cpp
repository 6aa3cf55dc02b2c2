#include "base/settings_text.h"

#include <climits>
#include <cstdio>

namespace vt {

std::string settings_key_path(const char* section) {
  char path[kSettingKeyBytes];
  std::snprintf(path, sizeof path, "Software\\Ardentine\\Vocatrack\\%s", section ? section : "");
  return path;
}

// The leading-part rule of atoi, without its undefined behaviour on overflow.
int parse_setting_int(const char* text, int default_value) {
  if (!text || !*text) return default_value;
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  long long value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(value);
}

bool parse_setting_bool(const char* text, bool default_value) {
  if (!text || !*text) return default_value;
  return text[0] != '0';
}

std::string format_setting_int(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return text;
}

}  // namespace vt
