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
    if (place.offset != 0) {
      if (list.id3_version < 0) list.id3_version = 0;
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

// Where the parts of an MP3 file lie and what is to be written.
struct Mp3Plan {
  int64_t size = 0, audio_begin = 0, audio_end = 0, room = 0;
  bool has_trailer = false, with_id3v2 = false;
  uint8_t trailer[kId3v1Size] = {};
  std::vector<uint8_t> tag;
};

bool plan_mp3(const TagList& list, BinaryFile& file, Mp3Plan& plan) {
  plan.size = file.size();
  plan.audio_end = plan.size;
  uint8_t header[kId3v2HeaderSize];
  Id3v2Place place;
  bool tag_at_start = plan.size >= kId3v2HeaderSize && file.seek(0) &&
                      read_exactly(file, header, kId3v2HeaderSize) && is_id3v2_header(header, place);
  if (tag_at_start) {
    if (place.extent > plan.size) return false;
    plan.audio_begin = plan.room = place.extent;
  }
  plan.has_trailer = plan.size - kId3v1Size >= plan.audio_begin && file.seek(plan.size - kId3v1Size) &&
                     read_exactly(file, plan.trailer, kId3v1Size) && is_id3v1(plan.trailer);
  if (plan.has_trailer) {
    plan.audio_end = plan.size - kId3v1Size;
  } else {
    std::memset(plan.trailer, 0, sizeof plan.trailer);
  }
  write_id3v1(list, plan.trailer);
  // Bytes too few to be a tag header could, with the trailer after them, read as one:
  // a real tag goes in front of them.
  plan.with_id3v2 = tag_at_start || needs_id3v2(list) || plan.size < kId3v2HeaderSize;
  return !plan.with_id3v2 || build_id3v2(list, plan.tag);
}

bool fits_in_place(const Mp3Plan& plan) {
  return !plan.with_id3v2 ||
         (static_cast<int64_t>(plan.tag.size()) <= plan.room && plan.room - kId3v2HeaderSize <= 0x0FFFFFFF);
}

}  // namespace

// The trailer is written in place (or appended first: the only step that needs disk
// room, undone when it fails). The ID3v2 tag is written in place when it fits in the
// old one's room, body first and header last, so that its extent never changes and
// no reader ever takes audio for tag. Only a tag at the very start is replaced: "ID3"
// further in may be audio.
InPlaceWrite write_mp3_tags_in(const TagList& list, BinaryFile& file) {
  Mp3Plan plan;
  if (!list.whole || !plan_mp3(list, file, plan)) return InPlaceWrite::kFailed;
  if (!fits_in_place(plan)) return InPlaceWrite::kTooSmall;
  if (!plan.has_trailer && !put(file, plan.size, plan.trailer, kId3v1Size)) {
    if (file.seek(plan.size)) file.truncate_here();
    return InPlaceWrite::kFailed;
  }
  if (plan.with_id3v2) {
    std::vector<uint8_t>& tag = plan.tag;
    tag.resize(static_cast<size_t>(plan.room), 0);
    put_synchsafe(static_cast<uint32_t>(plan.room - kId3v2HeaderSize), &tag[6]);
    if (!put(file, kId3v2HeaderSize, &tag[kId3v2HeaderSize], tag.size() - kId3v2HeaderSize) ||
        !put(file, 0, tag.data(), kId3v2HeaderSize))
      return InPlaceWrite::kFailed;
  }
  if (plan.has_trailer && !put(file, plan.audio_end, plan.trailer, kId3v1Size)) return InPlaceWrite::kFailed;
  return file.flush() ? InPlaceWrite::kWritten : InPlaceWrite::kFailed;
}

// A tag that outgrew its room: the file is rewritten once, beside the old one, with
// padding for later edits, and takes the old one's place when complete.
Outcome write_mp3_tags(const TagList& list, const std::string& path, ProgressDisplay* progress) {
  if (!list.whole || !open_binary_file_waiting(path, FileAccess::kReadShared, kTagFileBudgetMs)) return Outcome::kFailed;
  std::unique_ptr<BinaryFile> file = open_binary_file_waiting(path, FileAccess::kUpdateShared, kTagFileBudgetMs);
  if (!file) return Outcome::kFailed;
  InPlaceWrite in_place = write_mp3_tags_in(list, *file);
  if (in_place == InPlaceWrite::kWritten) return Outcome::kDone;
  if (in_place == InPlaceWrite::kFailed) return Outcome::kFailed;
  Mp3Plan plan;
  if (!plan_mp3(list, *file, plan)) return Outcome::kFailed;
  std::vector<uint8_t>& tag = plan.tag;
  int64_t padded = (static_cast<int64_t>(tag.size()) + 2 * kPaddingUnit - 1) / kPaddingUnit * kPaddingUnit;
  if (padded - kId3v2HeaderSize > 0x0FFFFFFF) return Outcome::kFailed;
  tag.resize(static_cast<size_t>(padded), 0);
  put_synchsafe(static_cast<uint32_t>(padded - kId3v2HeaderSize), &tag[6]);
  FileRewrite rewrite(path);
  if (!rewrite.out() || !rewrite.out()->write(tag.data(), static_cast<int>(tag.size()))) return Outcome::kFailed;
  Outcome copied = rewrite.copy(*file, plan.audio_begin, plan.audio_end, progress);
  if (copied != Outcome::kDone) return copied;
  if (!rewrite.out()->write(plan.trailer, kId3v1Size)) return Outcome::kFailed;
  file.reset();
  return rewrite.commit() ? Outcome::kDone : Outcome::kFailed;
}

}  // namespace vt
