// Helpers shared by the MP3 reader's tests: the shared stream folder, whole-stream
// decoding, and hand-made frames (all-zero side information decodes to silence).
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/mp3_decoder.h"

namespace vt {
namespace mp3test {

inline std::string shared_dir() {
  const char* dir = std::getenv("VT_SHARED_DIR");
  return dir ? dir : "";
}

// Path of a conformance or odd stream, or "" when the shared folder is absent.
inline std::string vector_path(const std::string& relative) {
  std::string dir = shared_dir();
  if (dir.empty()) return "";
  std::string path = dir + "/mp3-vectors/" + relative;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return "";
  std::fclose(f);
  return path;
}

inline std::vector<uint8_t> load_file(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

// Reads until the source reports its end (the length is re-read each time, as the
// reader refines it); a bound on the reads keeps a faulty reader from looping.
inline std::vector<int32_t> decode_all(AudioSource& source, int chunk = 8192) {
  std::vector<int32_t> out;
  std::vector<int32_t> buffer(size_t(chunk) * source.channels);
  for (int reads = 0; reads < 100000; ++reads) {
    int32_t left = source.length() - source.position();
    if (left <= 0) break;
    int n = left < chunk ? int(left) : chunk;
    source.read(buffer.data(), n);
    out.insert(out.end(), buffer.begin(), buffer.begin() + size_t(n) * source.channels);
  }
  out.resize(size_t(source.length() > 0 ? source.length() : 0) * source.channels);
  return out;
}

// Four header bytes: shift 0/1/2 (MPEG-1/2/2.5), bit-rate index, rate index, mode.
inline std::vector<uint8_t> header_bytes(int shift, int bitrate_index, int rate_index, int mode,
                                         int padding = 0) {
  int version = shift == 0 ? 3 : shift == 1 ? 2 : 0;
  return {0xFF, uint8_t(0xE0 | version << 3 | 1 << 1 | 1),
          uint8_t(bitrate_index << 4 | rate_index << 2 | padding << 1), uint8_t(mode << 6)};
}

// A whole silent frame: header, zero side information and zero main data.
inline std::vector<uint8_t> silent_frame(int shift, int bitrate_index, int rate_index, int mode,
                                         int padding = 0) {
  std::vector<uint8_t> frame = header_bytes(shift, bitrate_index, rate_index, mode, padding);
  mp3::FrameHeader h;
  mp3::parse_header(frame.data(), &h);
  frame.resize(size_t(h.frame_size()), 0);
  return frame;
}

inline void append(std::vector<uint8_t>* to, const std::vector<uint8_t>& bytes) {
  to->insert(to->end(), bytes.begin(), bytes.end());
}

}  // namespace mp3test
}  // namespace vt
