#include "base/time_units.h"

#include <cstdio>

namespace vt {

namespace {

int32_t held_to_32(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

}  // namespace

int64_t frames_to_ms(int64_t frames, int32_t rate) {
  if (rate <= 0) return 0;
  return (frames / rate) * 1000 + (frames % rate) * 1000 / rate;
}

int32_t frames_to_ms32(int64_t frames, int32_t rate) { return held_to_32(frames_to_ms(frames, rate)); }

int32_t ms_to_frames(int32_t ms, int32_t rate) {
  const int64_t r = rate;
  return held_to_32(r * (ms / 1000) + r * (ms % 1000) / 1000);
}

std::string time_text(int32_t ms) {
  long long t = static_cast<long long>(ms) + 5;
  const char* sign = t < 0 ? "-" : "";
  if (t < 0) t = -t;
  char text[48];
  std::snprintf(text, sizeof text, "%s%lld:%.2lld:%.2lld.%.2lld", sign, t / 3600000, t / 60000 % 60, t / 1000 % 60,
                t / 10 % 100);
  return text;
}

}  // namespace vt
