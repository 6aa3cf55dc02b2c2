#include "audio/pcm_samples.h"

#include <cstring>

namespace vt {

// Shifts of negative values are arithmetic with every compiler the program is built with;
// the rounding additions wrap instead of overflowing on out-of-range input.

void unsigned8_to_units(const uint8_t* in, int32_t* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = (static_cast<int32_t>(in[i]) - 128) * 4096;
}

void signed8_to_units(const uint8_t* in, int32_t* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = static_cast<int32_t>(static_cast<int8_t>(in[i])) * 4096;
}

void units_to_unsigned8(const int32_t* in, uint8_t* out, int count) {
  for (int i = 0; i < count; ++i) {
    int32_t v = (static_cast<int32_t>(static_cast<uint32_t>(in[i]) + 2048u) >> 12) + 128;
    out[i] = static_cast<uint8_t>(v > 255 ? 255 : v);
  }
}

// The 16-bit forms, on little-endian processors, as whole 16-bit loads and stores that
// the compiler turns into vector instructions; the byte-by-byte forms below are the
// reference (and the form for other processors).
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
namespace {

inline uint16_t load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

inline void store16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }

inline uint16_t swap16(uint16_t v) { return static_cast<uint16_t>(v << 8 | v >> 8); }

inline uint16_t units_to_16(int32_t x) {
  return static_cast<uint16_t>(static_cast<int32_t>(static_cast<uint32_t>(x) + 8u) >> 4);
}

}  // namespace

void little16_to_units(const uint8_t* in, int32_t* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = static_cast<int32_t>(static_cast<int16_t>(load16(in + 2 * i))) * 16;
}

void big16_to_units(const uint8_t* in, int32_t* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = static_cast<int32_t>(static_cast<int16_t>(swap16(load16(in + 2 * i)))) * 16;
}

void units_to_little16(const int32_t* in, uint8_t* out, int count) {
  for (int i = 0; i < count; ++i) store16(out + 2 * i, units_to_16(in[i]));
}

void units_to_big16(const int32_t* in, uint8_t* out, int count) {
  for (int i = 0; i < count; ++i) store16(out + 2 * i, swap16(units_to_16(in[i])));
}

void swap16_bytes(const uint8_t* in, uint8_t* out, int count) {
  for (int i = 0; i < count; ++i) store16(out + 2 * i, swap16(load16(in + 2 * i)));
}
#else
void little16_to_units(const uint8_t* in, int32_t* out, int count) { pcm_reference::little16_to_units(in, out, count); }
void big16_to_units(const uint8_t* in, int32_t* out, int count) { pcm_reference::big16_to_units(in, out, count); }
void units_to_little16(const int32_t* in, uint8_t* out, int count) { pcm_reference::units_to_little16(in, out, count); }
void units_to_big16(const int32_t* in, uint8_t* out, int count) { pcm_reference::units_to_big16(in, out, count); }
void swap16_bytes(const uint8_t* in, uint8_t* out, int count) { pcm_reference::swap16_bytes(in, out, count); }
#endif

namespace pcm_reference {

void little16_to_units(const uint8_t* in, int32_t* out, int count) {
  for (int i = 0; i < count; ++i)
    out[i] = static_cast<int32_t>(static_cast<int16_t>(in[2 * i] | in[2 * i + 1] << 8)) * 16;
}

void big16_to_units(const uint8_t* in, int32_t* out, int count) {
  for (int i = 0; i < count; ++i)
    out[i] = static_cast<int32_t>(static_cast<int16_t>(in[2 * i] << 8 | in[2 * i + 1])) * 16;
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

void swap16_bytes(const uint8_t* in, uint8_t* out, int count) {
  for (int i = 0; i < count; ++i) {
    uint8_t low = in[2 * i];
    out[2 * i] = in[2 * i + 1];
    out[2 * i + 1] = low;
  }
}

}  // namespace pcm_reference

}  // namespace vt
