#include "base/time_units.h"

#include <cstdio>

namespace vt {

int32_t frames_to_ms(int32_t frames, int32_t rate) {
  if (rate <= 0) return 0;
  return (frames / rate) * 1000 + (frames % rate) * 1000 / rate;
}

int32_t ms_to_frames(int32_t ms, int32_t rate) {
  return rate * (ms / 1000) + rate * (ms % 1000) / 1000;
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
