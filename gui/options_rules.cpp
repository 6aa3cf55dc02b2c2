#include "gui/options_rules.h"

#include <cstring>

#include "recorder/recorder_rules.h"

namespace vt {

namespace {

constexpr int64_t kIntMax = 2147483647;
constexpr int32_t kMaxDurationMs = 7200 * 1000;
constexpr int32_t kMaxIntervalSecs = 2147483;  // the tone timer's period is seconds x 1000

}  // namespace

bool contains_letter(const char* text) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    unsigned char c = *p;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    // Windows-1252 letters: Š Œ Ž š œ ž Ÿ and À to ÿ except × and ÷.
    if (c == 0x8A || c == 0x8C || c == 0x8E || c == 0x9A || c == 0x9C || c == 0x9E || c == 0x9F) return true;
    if (c >= 0xC0 && c != 0xD7 && c != 0xF7) return true;
  }
  return false;
}

int32_t box_number(const char* text) {
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > kIntMax + 1) value = kIntMax + 1;
  }
  if (negative) return static_cast<int32_t>(-value);
  return static_cast<int32_t>(value > kIntMax ? kIntMax : value);
}

MaxDurationCheck check_max_duration(const char* text) {
  if (!*text || contains_letter(text)) return MaxDurationCheck::kInvalid;
  int32_t ms = parse_max_time_ms(text);
  if (ms < 1000 || ms > kMaxDurationMs) return MaxDurationCheck::kOutOfRange;
  return MaxDurationCheck::kAccepted;
}

IntervalCheck check_interval(const char* text) {
  if (!*text) return IntervalCheck::kEmpty;
  if (contains_letter(text)) return IntervalCheck::kInvalid;
  // A period of zero or less would sound the tone without pause.
  int32_t seconds = box_number(text);
  if (seconds < 1 || seconds > kMaxIntervalSecs) return IntervalCheck::kInvalid;
  return IntervalCheck::kAccepted;
}

bool is_plausible_email_address(const char* text) {
  const char* at = std::strrchr(text, '@');
  const char* dot = std::strrchr(text, '.');
  if (!at || !dot) return false;
  long a = at - text, b = dot - text, length = static_cast<long>(std::strlen(text));
  return a > 0 && b > a && b < length - 2;
}

}  // namespace vt
