#include "tags/tag_files.h"

#include "formats/recording_formats.h"
#include "tags/mp3_tags.h"
#include "tags/riff_info.h"

namespace vt {
namespace {

TagKind tags_of(const std::string& path) {
  const RecordingFormatRow* format = recording_format(format_of_path(path));
  return format ? format->tags : TagKind::kNone;
}

}  // namespace

bool has_tag_format(const std::string& path) { return tags_of(path) != TagKind::kNone; }

bool read_tags(TagList& list, const std::string& path) {
  switch (tags_of(path)) {
    case TagKind::kId3: return read_mp3_tags(list, path);
    case TagKind::kRiffInfo: return read_wav_tags(list, path);
    case TagKind::kNone: break;
  }
  return true;
}

Outcome write_tags(const TagList& list, const std::string& path, ProgressDisplay* progress) {
  if (!list.whole) return Outcome::kFailed;
  switch (tags_of(path)) {
    case TagKind::kId3: return write_mp3_tags(list, path, progress);
    case TagKind::kRiffInfo: return write_wav_tags(list, path) ? Outcome::kDone : Outcome::kFailed;
    case TagKind::kNone: break;
  }
  return Outcome::kFailed;
}

bool write_tags(const TagList& list, const std::string& path) { return write_tags(list, path, nullptr) == Outcome::kDone; }

Outcome save_tag_edits(TagList& list, const std::vector<TagEdit>& edits, const std::string& path,
                   ProgressDisplay* progress) {
  for (const TagEdit& edit : edits) list.store(edit.name, edit.value, true);
  return write_tags(list, path, progress);
}

bool save_tag_edits(TagList& list, const std::vector<TagEdit>& edits, const std::string& path) {
  return save_tag_edits(list, edits, path, nullptr) == Outcome::kDone;
}

}  // namespace vt
