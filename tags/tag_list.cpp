#include "tags/tag_list.h"

#include <algorithm>

namespace vt {

const char kFieldTitle[] = "TITLE";
const char kFieldArtist[] = "ARTIST";
const char kFieldAlbum[] = "ALBUM";
const char kFieldGenre[] = "GENRE";
const char kFieldTrackNumber[] = "TRACKNUMBER";
const char kFieldDate[] = "DATE";
const char kFieldComment[] = "COMMENT";
const char* const kTagFields[7] = {kFieldTitle, kFieldArtist, kFieldAlbum, kFieldGenre,
                                   kFieldTrackNumber, kFieldDate, kFieldComment};

bool is_tag_field(const std::string& name) {
  for (const char* field : kTagFields) {
    if (name == field) return true;
  }
  return false;
}

namespace {

std::string cut_and_strip(const std::string& value) {
  std::string text = value.substr(0, std::min(value.size(), kMaxTagValueChars));
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

}  // namespace

TagEntry* TagList::find(const std::string& name) {
  for (TagEntry& entry : entries_) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

std::string TagList::get(const std::string& name) const {
  for (const TagEntry& entry : entries_) {
    if (entry.name == name) return entry.value;
  }
  return std::string();
}

void TagList::set(const std::string& name, const std::string& value) {
  if (TagEntry* entry = find(name)) {
    entry->value = value;
    return;
  }
  TagEntry entry;
  entry.name = name;
  entry.value = value;
  entries_.insert(entries_.begin(), entry);
}

void TagList::store(const std::string& name, const std::string& value, bool replace) {
  if (!replace) {
    if (TagEntry* entry = find(name)) {
      if (!entry->value.empty()) return;
    }
  }
  set(name, cut_and_strip(value));
}

// A later frame for the same entry supersedes the earlier one, which is kept aside.
void TagList::store_from_frame(const std::string& name, const std::string& value, const Id3Frame& frame) {
  if (TagEntry* before = find(name)) {
    if (before->has_frame) superseded_.push_back({name, before->frame});
  }
  store(name, value, true);
  TagEntry* entry = find(name);
  entry->has_frame = true;
  entry->frame = frame;
  entry->value_as_read = entry->value;
}

void TagList::clear() {
  entries_.clear();
  kept_frames_.clear();
  superseded_.clear();
  id3_version = 0;
  whole = true;
}

}  // namespace vt
