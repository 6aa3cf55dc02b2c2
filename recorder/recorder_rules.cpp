#include "recorder/recorder_rules.h"

#include <algorithm>
#include <cstdio>

namespace vt {

uint32_t interval_tone_ms(int32_t stored_seconds) {
  const int32_t kLongest = 2147483;  // seconds whose milliseconds still fit a signed 32-bit count
  if (stored_seconds < 1) stored_seconds = 1;
  if (stored_seconds > kLongest) stored_seconds = kLongest;
  return static_cast<uint32_t>(stored_seconds) * 1000u;
}

int32_t parse_max_time_ms(const char* text) {
  const int64_t kCap = 0x7FFFFFFF;  // absurd texts stay finite
  int64_t before = 0, field = 0, fraction_ms = 0;
  bool negative = false, after_point = false;
  int fraction_digits = 0;
  static const int kFractionWeight[3] = {100, 10, 1};
  for (const char* p = text; *p; ++p) {
    char c = *p;
    if (c == '-') {
      negative = true;
    } else if (c == ':') {
      before = (before + field) * 60;
      if (before > kCap) before = kCap;
      field = 0;
    } else if (c == '.') {
      after_point = true;
    } else if (c >= '0' && c <= '9') {
      if (!after_point) {
        field = field * 10 + (c - '0');
        if (field > kCap) field = kCap;
      } else if (fraction_digits < 3) {
        fraction_ms += (c - '0') * kFractionWeight[fraction_digits++];
      }
    }
  }
  int64_t ms = (before + field) * 1000 + fraction_ms;
  if (ms > kCap) ms = kCap;
  return static_cast<int32_t>(negative ? -ms : ms);
}

uint32_t free_space_kb(uint64_t bytes_available) {
  uint32_t high = static_cast<uint32_t>(bytes_available >> 32);
  uint32_t low = static_cast<uint32_t>(bytes_available);
  return (high < 1023 ? high : 1023) * 4194304u + low / 1024;
}

std::string drive_of(const std::string& folder) {
  size_t slash = folder.find_first_of("\\/");
  return slash == std::string::npos ? folder : folder.substr(0, slash + 1);
}

bool records_at_start(const std::vector<std::string>& args, bool record_when_run) {
  if (args.size() < 2) return record_when_run;
  return args[1] == "-logon";
}

uint32_t device_timeout_ms(int32_t stored_seconds) {
  if (stored_seconds < 1) return 25000;
  return static_cast<uint32_t>(std::min(stored_seconds, 3600)) * 1000u;
}

int32_t silence_warning_ms(int32_t stored_seconds) {
  if (stored_seconds < 1) return 60000;
  return std::min(stored_seconds, 86400) * 1000;
}

std::string numbered_name(const std::string& name, int number) {
  return name + " (" + std::to_string(number) + ")";
}

}  // namespace vt
