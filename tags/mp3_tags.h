// Tags of MP3 files: an ID3v2 tag (read first, its values win) and the ID3v1 trailer.
#pragma once
#include <string>

#include "audio/transforms.h"
#include "base/binary_file.h"
#include "tags/tag_list.h"

namespace vt {

// False when the file cannot be opened (the list then holds nothing from it).
bool read_mp3_tags(TagList& list, const std::string& path);
// Writes the list (read from this file and edited) into the trailer and, when the
// file has an ID3v2 tag or a value needs one, into the ID3v2 tag at the start.
// kStopped when cancelled through `progress` (may be null); the file unchanged unless kDone.
Outcome write_mp3_tags(const TagList& list, const std::string& path, ProgressDisplay* progress = nullptr);
// The same on an open file, only where the new tag fits in the old one's room:
// kTooSmall (nothing written) when it does not.
enum class InPlaceWrite { kWritten, kFailed, kTooSmall };
InPlaceWrite write_mp3_tags_in(const TagList& list, BinaryFile& file);

}  // namespace vt
