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
  if (!file) {
    list.whole = false;
    return false;
  }
  int64_t size = file->size();
  Id3v2Place place;
  if (find_id3v2(*file, place)) {
    // Never more than the file holds, whatever the header claims.
    std::vector<uint8_t> tag(static_cast<size_t>(std::min(place.extent, size - place.offset)));
    if (file->seek(place.offset) && read_exactly(*file, tag.data(), static_cast<int>(tag.size()))) {
      read_id3v2(tag, list);
    } else {
      list.whole = false;
    }
    // A tag at the start that claims more than the file holds is damaged: what it
    // covers may be audio, which no rewrite may take for tag.
    if (place.offset == 0 && place.extent > size) list.whole = false;
    // Only a tag at the start is ever replaced; an unreadable one further in (perhaps
    // only audio that looks like a header) must not stop a write.
    if (place.offset != 0 && list.id3_version < 0) {
      list.id3_version = 0;
      list.whole = true;
    }
  }
  uint8_t trailer[kId3v1Size];
  if (size >= kId3v1Size && file->seek(size - kId3v1Size) && read_exactly(*file, trailer, kId3v1Size))
    read_id3v1(trailer, list);
  return true;
}

namespace {

// What a rewrite leaves after the frames, so that later edits fit in place: the tag
// ends on a whole KiB at least 1 KiB past its frames.
constexpr int64_t kPaddingUnit = 1024;

bool put(BinaryFile& file, int64_t at, const uint8_t* bytes, size_t count) {
  return file.seek(at) && file.write(bytes, static_cast<int>(count));
}

}  // namespace

// The trailer is written in place (or appended first: the only step that needs disk
// room, undone when it fails). The ID3v2 tag is written in place when it fits in the
// old one's room, body first and header last, so that its extent never changes and
// no reader ever takes audio for tag; otherwise the file is rewritten once, beside
// the old one, with padding for later edits. Only a tag at the very start is
// replaced: "ID3" further in may be audio.
int write_mp3_tags(const TagList& list, const std::string& path, ProgressDisplay* progress) {
  if (!list.whole || !open_binary_file_waiting(path, FileAccess::kReadShared, kTagFileBudgetMs)) return kPumpFailed;
  std::unique_ptr<BinaryFile> file = open_binary_file_waiting(path, FileAccess::kUpdateShared, kTagFileBudgetMs);
  if (!file) return kPumpFailed;
  int64_t size = file->size();
  int64_t audio_begin = 0, audio_end = size;
  uint8_t header[kId3v2HeaderSize];
  Id3v2Place place;
  bool tag_at_start = size >= kId3v2HeaderSize && file->seek(0) &&
                      read_exactly(*file, header, kId3v2HeaderSize) && is_id3v2_header(header, place);
  if (tag_at_start) {
    if (place.extent > size) return kPumpFailed;
    audio_begin = place.extent;
  }
  uint8_t trailer[kId3v1Size] = {};
  bool has_trailer = size - kId3v1Size >= audio_begin && file->seek(size - kId3v1Size) &&
                     read_exactly(*file, trailer, kId3v1Size) && is_id3v1(trailer);
  if (has_trailer) {
    audio_end = size - kId3v1Size;
  } else {
    std::memset(trailer, 0, sizeof trailer);
  }
  write_id3v1(list, trailer);

  std::vector<uint8_t> tag;
  bool with_id3v2 = tag_at_start || needs_id3v2(list);
  if (with_id3v2 && !build_id3v2(list, tag)) return kPumpFailed;
  int64_t room = tag_at_start ? place.extent : 0;
  if (!with_id3v2 || static_cast<int64_t>(tag.size()) <= room) {
    if (!has_trailer && !put(*file, size, trailer, kId3v1Size)) {
      if (file->seek(size)) file->truncate_here();
      return kPumpFailed;
    }
    if (with_id3v2) {
      tag.resize(static_cast<size_t>(room), 0);
      put_synchsafe(static_cast<uint32_t>(room - kId3v2HeaderSize), &tag[6]);
      if (!put(*file, kId3v2HeaderSize, &tag[kId3v2HeaderSize], tag.size() - kId3v2HeaderSize) ||
          !put(*file, 0, tag.data(), kId3v2HeaderSize))
        return kPumpFailed;
    }
    if (has_trailer && !put(*file, audio_end, trailer, kId3v1Size)) return kPumpFailed;
    return file->flush() ? kPumpDone : kPumpFailed;
  }

  int64_t padded = (static_cast<int64_t>(tag.size()) + 2 * kPaddingUnit - 1) / kPaddingUnit * kPaddingUnit;
  if (padded - kId3v2HeaderSize > 0x0FFFFFFF) return kPumpFailed;
  tag.resize(static_cast<size_t>(padded), 0);
  put_synchsafe(static_cast<uint32_t>(padded - kId3v2HeaderSize), &tag[6]);
  FileRewrite rewrite(path);
  if (!rewrite.out() || !rewrite.out()->write(tag.data(), static_cast<int>(tag.size()))) return kPumpFailed;
  int copied = rewrite.copy(*file, audio_begin, audio_end, progress);
  if (copied != kPumpDone) return copied;
  if (!rewrite.out()->write(trailer, kId3v1Size)) return kPumpFailed;
  file.reset();
  return rewrite.commit() ? kPumpDone : kPumpFailed;
}

}  // namespace vt
