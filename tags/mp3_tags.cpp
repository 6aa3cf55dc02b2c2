#include "tags/mp3_tags.h"

#include <cstring>
#include <vector>

#include "base/binary_file.h"
#include "tags/file_rewrite.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"

namespace vt {

bool read_mp3_tags(TagList& list, const std::string& path) {
  std::unique_ptr<BinaryFile> file = open_binary_file_waiting(path, FileAccess::kReadShared, kTagFileBudgetMs);
  if (!file) return false;
  int64_t size = file->size();
  Id3v2Place place;
  if (find_id3v2(*file, place)) {
    // Never more than the file holds, whatever the header claims.
    std::vector<uint8_t> tag(static_cast<size_t>(std::min(place.extent, size - place.offset)));
    if (file->seek(place.offset) && read_exactly(*file, tag.data(), static_cast<int>(tag.size())))
      read_id3v2(tag, list);
    // Only a tag at the start is ever replaced; an unreadable one further in (perhaps
    // only audio that looks like a header) must not stop a write.
    if (place.offset != 0 && list.id3_version < 0) list.id3_version = 0;
  }
  uint8_t trailer[kId3v1Size];
  if (size >= kId3v1Size && file->seek(size - kId3v1Size) && read_exactly(*file, trailer, kId3v1Size))
    read_id3v1(trailer, list);
  return true;
}

// The new file: the new ID3v2 tag (when one is written), the audio as it was and the
// trailer. Only a tag at the very start is replaced: "ID3" further in may be audio.
bool write_mp3_tags(const TagList& list, const std::string& path) {
  std::unique_ptr<BinaryFile> file = open_binary_file_waiting(path, FileAccess::kReadShared, kTagFileBudgetMs);
  if (!file) return false;
  int64_t size = file->size();
  int64_t audio_begin = 0, audio_end = size;
  uint8_t header[kId3v2HeaderSize];
  Id3v2Place place;
  bool tag_at_start = size >= kId3v2HeaderSize && read_exactly(*file, header, kId3v2HeaderSize) &&
                      is_id3v2_header(header, place);
  if (tag_at_start) {
    // A tag that claims more than the file holds is damaged; what it covers may be
    // audio, which a rewrite would drop.
    if (place.extent > size) return false;
    audio_begin = place.extent;
  }
  uint8_t trailer[kId3v1Size] = {};
  if (size - kId3v1Size >= audio_begin && file->seek(size - kId3v1Size) &&
      read_exactly(*file, trailer, kId3v1Size) && is_id3v1(trailer)) {
    audio_end = size - kId3v1Size;
  } else {
    std::memset(trailer, 0, sizeof trailer);
  }
  write_id3v1(list, trailer);

  FileRewrite rewrite(path);
  if (!rewrite.out()) return false;
  if (tag_at_start || needs_id3v2(list)) {
    std::vector<uint8_t> tag;
    if (!build_id3v2(list, tag) || !rewrite.out()->write(tag.data(), static_cast<int>(tag.size()))) return false;
  }
  if (!rewrite.copy(*file, audio_begin, audio_end) || !rewrite.out()->write(trailer, kId3v1Size)) return false;
  file.reset();
  return rewrite.commit();
}

}  // namespace vt
