#include "tags/tag_files.h"

#include "tags/mp3_tags.h"
#include "tags/riff_info.h"

namespace vt {
namespace {

enum class TagFormat { kNone, kMp3, kWav };

TagFormat format_of(const std::string& path) {
  size_t dot = path.find_last_of('.');
  size_t slash = path.find_last_of("\\/");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return TagFormat::kNone;
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (ext == ".mp3") return TagFormat::kMp3;
  if (ext == ".wav") return TagFormat::kWav;
  return TagFormat::kNone;
}

}  // namespace

bool has_tag_format(const std::string& path) { return format_of(path) != TagFormat::kNone; }

bool read_tags(TagList& list, const std::string& path) {
  switch (format_of(path)) {
    case TagFormat::kMp3: return read_mp3_tags(list, path);
    case TagFormat::kWav: return read_wav_tags(list, path);
    case TagFormat::kNone: break;
  }
  return true;
}

Outcome write_tags(const TagList& list, const std::string& path, ProgressDisplay* progress) {
  if (!list.whole) return Outcome::kFailed;
  switch (format_of(path)) {
    case TagFormat::kMp3: return write_mp3_tags(list, path, progress);
    case TagFormat::kWav: return write_wav_tags(list, path) ? Outcome::kDone : Outcome::kFailed;
    case TagFormat::kNone: break;
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
