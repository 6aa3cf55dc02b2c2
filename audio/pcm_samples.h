// Conversions between file samples and sample units (16-bit value times 16).
// `count` counts samples (frames times channels).
#pragma once
#include <cstdint>

namespace vt {

void unsigned8_to_units(const uint8_t* in, int32_t* out, int count);   // (b - 128) << 12
void signed8_to_units(const uint8_t* in, int32_t* out, int count);     // b << 12
void little16_to_units(const uint8_t* in, int32_t* out, int count);    // v << 4
void big16_to_units(const uint8_t* in, int32_t* out, int count);

void units_to_unsigned8(const int32_t* in, uint8_t* out, int count);  // ((x + 2048) >> 12) + 128, at most 255
void units_to_little16(const int32_t* in, uint8_t* out, int count);   // (x + 8) >> 4
void units_to_big16(const int32_t* in, uint8_t* out, int count);
// 16-bit samples from one byte order to the other: what little16_to_units followed by
// units_to_big16 gives, in one pass.
void swap16_bytes(const uint8_t* in, uint8_t* out, int count);

// Byte-by-byte forms of the 16-bit conversions, which the ones above must equal.
namespace pcm_reference {
void little16_to_units(const uint8_t* in, int32_t* out, int count);
void big16_to_units(const uint8_t* in, int32_t* out, int count);
void units_to_little16(const int32_t* in, uint8_t* out, int count);
void units_to_big16(const int32_t* in, uint8_t* out, int count);
void swap16_bytes(const uint8_t* in, uint8_t* out, int count);
}  // namespace pcm_reference

}  // namespace vt
