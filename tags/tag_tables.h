// Constant tables of the tag formats.
#pragma once
#include <cstdint>

namespace vt {

// The genre names of ID3v1 codes 0 to 146 as the editor lists them.
constexpr int kGenreCount = 147;
extern const char* const kGenreNames[kGenreCount];

// Unicode code points of Windows-1252 bytes 0x80 to 0x9F (0 where the code page has none).
extern const uint16_t kCp1252High[32];

// ID3v2.2 frame ids and the v2.3 ids they become.
struct FrameIdPair {
  char v22[4];
  char v23[5];
};
extern const FrameIdPair kId3v22Frames[];
extern const int kId3v22FrameCount;

}  // namespace vt
