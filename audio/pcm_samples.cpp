#include "audio/pcm_samples.h"

namespace vt {

// Shifts of negative values are arithmetic with every compiler the program is built with;
// the rounding additions wrap instead of overflowing on out-of-range input.

void unsigned8_to_units(const uint8_t* in, int32_t* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = (static_cast<int32_t>(in[i]) - 128) * 4096;
}

void signed8_to_units(const uint8_t* in, int32_t* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = static_cast<int32_t>(static_cast<int8_t>(in[i])) * 4096;
}

void little16_to_units(const uint8_t* in, int32_t* out, int count) {
  for (int i = 0; i < count; ++i)
    out[i] = static_cast<int32_t>(static_cast<int16_t>(in[2 * i] | in[2 * i + 1] << 8)) * 16;
}

void big16_to_units(const uint8_t* in, int32_t* out, int count) {
  for (int i = 0; i < count; ++i)
    out[i] = static_cast<int32_t>(static_cast<int16_t>(in[2 * i] << 8 | in[2 * i + 1])) * 16;
}

void units_to_unsigned8(const int32_t* in, uint8_t* out, int count) {
  for (int i = 0; i < count; ++i) {
    int32_t v = (static_cast<int32_t>(static_cast<uint32_t>(in[i]) + 2048u) >> 12) + 128;
    out[i] = static_cast<uint8_t>(v > 255 ? 255 : v);
  }
}

void units_to_little16(const int32_t* in, uint8_t* out, int count) {
  for (int i = 0; i < count; ++i) {
    uint16_t v = static_cast<uint16_t>(static_cast<int32_t>(static_cast<uint32_t>(in[i]) + 8u) >> 4);
    out[2 * i] = static_cast<uint8_t>(v);
    out[2 * i + 1] = static_cast<uint8_t>(v >> 8);
  }
}

void units_to_big16(const int32_t* in, uint8_t* out, int count) {
  for (int i = 0; i < count; ++i) {
    uint16_t v = static_cast<uint16_t>(static_cast<int32_t>(static_cast<uint32_t>(in[i]) + 8u) >> 4);
    out[2 * i] = static_cast<uint8_t>(v >> 8);
    out[2 * i + 1] = static_cast<uint8_t>(v);
  }
}

}  // namespace vt
