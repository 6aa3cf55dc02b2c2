// Tags of WAV files: a RIFF LIST chunk of type INFO and a DISP chunk with the title.
#pragma once
#include <string>

#include "base/binary_file.h"
#include "tags/tag_list.h"

namespace vt {

// False when the file cannot be opened.
bool read_wav_tags(TagList& list, const std::string& path);
// Reuses blank slots of the same size, appends what found no slot and brings the
// RIFF size up to date; false (file unchanged) when the file is no WAV file or its
// last chunk runs past its end.
bool write_wav_tags(const TagList& list, const std::string& path);
// The same on an open file, written in place.
bool write_wav_tags_in(const TagList& list, BinaryFile& file);

}  // namespace vt
