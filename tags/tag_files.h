// Tags by the file's extension (ignoring case): ".mp3" ID3v2 and ID3v1, ".wav" RIFF INFO.
#pragma once
#include <string>
#include <vector>

#include "audio/transforms.h"
#include "tags/tag_list.h"

namespace vt {

// Whether the file is of a kind whose tags can be read and written.
bool has_tag_format(const std::string& path);
// Adds the file's tags to the list; false when the file cannot be opened. Files of
// other kinds give nothing (and true).
bool read_tags(TagList& list, const std::string& path);
// Writes a list read with read_tags from the same file; false (file unchanged) on
// failure, and always when the list does not hold the file's tags whole.
bool write_tags(const TagList& list, const std::string& path);
// The same, with a rewrite of the whole file (an MP3 tag that outgrew its room)
// shown on `progress`; kStopped when cancelled (the file unchanged unless kDone).
Outcome write_tags(const TagList& list, const std::string& path, ProgressDisplay* progress);

struct TagEdit {
  std::string name, value;
};
// What the editor's OK does: each value stored with replace on, then the file written.
bool save_tag_edits(TagList& list, const std::vector<TagEdit>& edits, const std::string& path);
Outcome save_tag_edits(TagList& list, const std::vector<TagEdit>& edits, const std::string& path,
                   ProgressDisplay* progress);

}  // namespace vt
