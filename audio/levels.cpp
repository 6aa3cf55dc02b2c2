#include "audio/levels.h"

#include <cmath>

namespace vt {

namespace {

int32_t magnitude_of(int32_t largest, int32_t smallest) {
  int64_t negated = -static_cast<int64_t>(smallest);
  if (negated > INT32_MAX) negated = INT32_MAX;
  return largest > negated ? largest : static_cast<int32_t>(negated);
}

}  // namespace

int32_t peak_magnitude(const int32_t* samples, int frames, int channels) {
  return channel_peak_magnitude(samples, frames * channels, 1, 0);
}

int32_t channel_peak_magnitude(const int32_t* samples, int frames, int channels, int channel) {
  int32_t largest = 0, smallest = 0;
  const int32_t* p = samples + channel;
  for (int i = 0; i < frames; ++i, p += channels) {
    if (*p > largest) largest = *p;
    if (*p < smallest) smallest = *p;
  }
  return magnitude_of(largest, smallest);
}

uint32_t channel_mean_square(const int32_t* samples, int frames, int channels, int channel) {
  if (frames <= 0) return 0;
  // v^2 kept as two sums so that long blocks of loud audio cannot overflow 32 bits.
  uint32_t high = 0, low = 0;
  const int32_t* p = samples + channel;
  for (int i = 0; i < frames; ++i, p += channels) {
    int64_t v = *p >> 5;
    uint32_t square = static_cast<uint32_t>(v * v);
    high += square >> 13;
    low += square & 0x1FFF;
  }
  uint32_t total = high + (low >> 13);
  uint32_t n = static_cast<uint32_t>(frames);
  uint32_t q = total / n;
  return q * 8192 + (total - q * n) * 8192 / n;
}

namespace {

int8_t round_and_limit_db(double db) {
  double rounded = db >= 0 ? std::floor(db + 0.5) : std::ceil(db - 0.5);
  if (rounded < -127) rounded = -127;
  if (rounded > 127) rounded = 127;
  return static_cast<int8_t>(rounded);
}

}  // namespace

int8_t level_db(uint32_t mean_square) {
  if (mean_square == 0) return kSilenceDb;
  return round_and_limit_db(10.0 * std::log10(mean_square * 1.1920903375594525e-7));
}

int8_t peak_level_db(int32_t peak) {
  if (peak <= 0) return kSilenceDb;
  return round_and_limit_db(20.0 * std::log10(peak / 131072.0));
}

}  // namespace vt
