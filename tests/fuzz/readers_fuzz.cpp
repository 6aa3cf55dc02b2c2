// Fuzz target for the WAV and AIFF readers: the input becomes a file, which is opened,
// read to its end (bounded), sought and read again.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "formats/file_readers.h"

namespace {

std::string scratch_path(const char* ext) {
  static std::string base = "/tmp/vt-fuzz-" + std::to_string(getpid());
  return base + ext;
}

void exercise(vt::AudioSource& source) {
  std::vector<int32_t> buffer(static_cast<size_t>(vt::kMaxFramesPerCall) * source.channels);
  // At most 64 blocks: enough to reach the end of any small input.
  for (int i = 0; i < 64 && source.position() < source.length(); ++i) source.read(buffer.data(), 4096);
  source.seek(3);
  source.read(buffer.data(), 100);
  source.seek(-7);
  source.read(buffer.data(), vt::kMaxFramesPerCall);
  source.seek(source.length() + 10);
  source.read(buffer.data(), 5);
}

void run(const uint8_t* data, size_t size, const char* ext, vt::SourceRef (*open)(const std::string&)) {
  std::string path = scratch_path(ext);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  vt::SourceRef source = open(path);
  exercise(*source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte picks the reader, so one corpus covers both.
  if (size < 1) return 0;
  if (data[0] & 1) run(data + 1, size - 1, ".aif", vt::open_aiff_reader);
  else run(data + 1, size - 1, ".wav", vt::open_wav_reader);
  return 0;
}
