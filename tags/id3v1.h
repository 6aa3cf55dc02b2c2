// The ID3v1 trailer: the last 128 bytes of an MP3 file.
#pragma once
#include <cstdint>

#include "tags/tag_list.h"

namespace vt {

constexpr int kId3v1Size = 128;

bool is_id3v1(const uint8_t* block);
// Stores the trailer's fields with replace off, so values from ID3v2 win.
void read_id3v1(const uint8_t* block, TagList& list);
// Writes the list's fields into `block`, which holds the old trailer or zeros.
void write_id3v1(const TagList& list, uint8_t* block);
// True when every field of the list survives the trailer unchanged.
bool id3v1_holds(const TagList& list);

}  // namespace vt
