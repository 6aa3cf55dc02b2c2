// Decodes one MP3 file through the reader into nothing: what the instruction count of
// the decoder alone is measured on (scripts/bench-mp3-instructions.sh).
#include <cstdio>
#include <vector>

#include "formats/mp3_decoder.h"

int main(int argc, char** argv) {
  if (argc != 2) return std::fprintf(stderr, "usage: mp3_decode_only FILE\n"), 2;
  vt::SourceRef source = vt::open_mp3(argv[1]);
  if (source->status != vt::kSourceOk) return std::fprintf(stderr, "cannot decode %s\n", argv[1]), 1;
  std::vector<int32_t> buffer(8192 * 2);
  for (int reads = 0; reads < 1000000; ++reads) {
    int32_t left = source->length() - source->position();
    if (left <= 0) break;
    source->read(buffer.data(), left < 8192 ? int(left) : 8192);
  }
  return 0;
}
