// ID3v2 tags: finding them, reading their frames into a tag list, building a new one.
#pragma once
#include <cstdint>
#include <vector>

#include "base/binary_file.h"
#include "tags/tag_list.h"

namespace vt {

constexpr int kId3v2HeaderSize = 10;

struct Id3v2Place {
  int64_t offset = 0;  // where the header is
  int64_t extent = 0;  // header, frames, padding and footer
  int version = 0;     // major version byte
};

uint32_t synchsafe_value(const uint8_t* bytes);
void put_synchsafe(uint32_t value, uint8_t* bytes);

// A header: "ID3", version and revision other than 0xFF, four size bytes below 0x80.
bool is_id3v2_header(const uint8_t* header, Id3v2Place& place);
// The first header in the file, searched from its start to its end.
bool find_id3v2(BinaryFile& file, Id3v2Place& place);
// Reads the frames of a whole tag (`tag` starts with its header) into the list: the
// fields and other text frames as entries, everything else kept for the rewrite.
void read_id3v2(const std::vector<uint8_t>& tag, TagList& list);
// A tag of the list's ID3v2 version (3 for a new tag or one that was 2.2) holding one
// frame per entry in list order, then the kept frames; false when it cannot be
// written (too large, or the file's tag could not be read).
bool build_id3v2(const TagList& list, std::vector<uint8_t>& tag);
// Whether the list needs an ID3v2 tag beside the ID3v1 trailer.
bool needs_id3v2(const TagList& list);

}  // namespace vt
