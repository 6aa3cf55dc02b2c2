// libFuzzer entry for the MP3 reader: any bytes must open, decode, seek and end
// without a crash, a hang or a sanitizer report, and keep within the peak bound.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "formats/mp3_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SourceRef source = vt::open_mp3_memory(data, size);
  if (source->status != vt::kSourceOk) return 0;
  std::vector<int32_t> buffer(size_t(1500) * source->channels);
  for (int reads = 0; reads < 2000 && source->position() < source->length(); ++reads) {
    source->read(buffer.data(), 1500);
    for (int32_t s : buffer)
      if (s > vt::kMp3PeakBound || s < -vt::kMp3PeakBound) std::abort();
  }
  int32_t length = source->length();
  for (int32_t target : {length / 3, 0, length < 0x7FFFFFF0 ? length + 5 : length}) {
    source->seek(target);
    source->read(buffer.data(), 1500);
  }
  return 0;
}
