// Fuzz target for the tag readers and writers: the input becomes an MP3 or WAV file
// (first byte), whose tags are read, edited, written and read again. A write that
// succeeds must leave the file readable and keep the new value.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tags/tag_files.h"

namespace {

std::string scratch_path(const char* ext) {
  static std::string base = "/tmp/vt-fuzz-tags-" + std::to_string(getpid());
  return base + ext;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::string path = scratch_path(data[0] & 1 ? ".wav" : ".mp3");
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data + 1, 1, size - 1, file);
  std::fclose(file);
  vt::TagList list;
  vt::read_tags(list, path);
  if (vt::save_tag_edits(list, {{"ARTIST", "Fuzz artist"}, {"TITLE", ""}, {"GENRE", "Rock"}}, path)) {
    vt::TagList again;
    vt::read_tags(again, path);
    if (again.get("ARTIST") != "Fuzz artist") std::abort();
  }
  return 0;
}
