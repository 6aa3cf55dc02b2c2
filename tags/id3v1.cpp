#include "tags/id3v1.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tags/genres.h"

namespace vt {
namespace {

// Offsets and sizes of the trailer's fields.
constexpr int kTitleAt = 3, kArtistAt = 33, kAlbumAt = 63, kYearAt = 93, kCommentAt = 97;
constexpr int kTextSize = 30, kYearSize = 4, kCommentSize = 28;
constexpr int kZeroAt = 125, kTrackAt = 126, kGenreAt = 127;
// Written fields keep room for a terminating zero.
constexpr int kWrittenText = 29, kWrittenComment = 28;
// A code past the genre list: no genre.
constexpr uint8_t kNoGenre = 0xFF;

std::string field(const uint8_t* block, int at, int size) {
  const char* text = reinterpret_cast<const char*>(block + at);
  return std::string(text, strnlen(text, static_cast<size_t>(size)));
}

void put_field(uint8_t* block, int at, int size, int chars, const std::string& value) {
  std::memset(block + at, 0, static_cast<size_t>(size));
  std::memcpy(block + at, value.data(), std::min(value.size(), static_cast<size_t>(chars)));
}

bool starts_with_digit(const std::string& text) { return !text.empty() && text[0] >= '0' && text[0] <= '9'; }

}  // namespace

bool is_id3v1(const uint8_t* block) { return std::memcmp(block, "TAG", 3) == 0; }

// Fields are 30 bytes wide (other programs fill them); the v1.1 track number is there
// only when byte 125 is zero, otherwise the comment runs to byte 126.
void read_id3v1(const uint8_t* block, TagList& list) {
  if (!is_id3v1(block)) return;
  list.store(kFieldTitle, field(block, kTitleAt, kTextSize), false);
  list.store(kFieldArtist, field(block, kArtistAt, kTextSize), false);
  list.store(kFieldAlbum, field(block, kAlbumAt, kTextSize), false);
  list.store(kFieldDate, field(block, kYearAt, kYearSize), false);
  bool has_track = block[kZeroAt] == 0 && block[kTrackAt] != 0;
  if (has_track) list.store(kFieldTrackNumber, std::to_string(block[kTrackAt]), false);
  list.store(kFieldComment, field(block, kCommentAt, has_track || block[kZeroAt] == 0 ? kCommentSize : kTextSize),
             false);
  list.store(kFieldGenre, genre_name(block[kGenreAt]), false);
}

void write_id3v1(const TagList& list, uint8_t* block) {
  std::memcpy(block, "TAG", 3);
  put_field(block, kTitleAt, kTextSize, kWrittenText, list.get(kFieldTitle));
  put_field(block, kArtistAt, kTextSize, kWrittenText, list.get(kFieldArtist));
  put_field(block, kAlbumAt, kTextSize, kWrittenText, list.get(kFieldAlbum));
  put_field(block, kYearAt, kYearSize, kYearSize, list.get(kFieldDate));
  put_field(block, kCommentAt, kCommentSize + 1, kWrittenComment, list.get(kFieldComment));
  // An emptied track or genre is emptied here too: left as it was, it would come back
  // at the next reading (and the last comment byte of a 1.0 trailer would read as a track).
  std::string track = list.get(kFieldTrackNumber);
  block[kZeroAt] = 0;
  block[kTrackAt] = track.empty() ? 0 : static_cast<uint8_t>(std::atoi(track.c_str()));
  std::string genre = list.get(kFieldGenre);
  if (genre.empty()) {
    block[kGenreAt] = kNoGenre;
  } else {
    int code = starts_with_digit(genre) ? std::atoi(genre.c_str()) : genre_code(genre);
    if (code >= 0 && code <= 0xFF) block[kGenreAt] = static_cast<uint8_t>(code);
  }
}

// A value the trailer would cut or lose needs an ID3v2 tag beside it; so does one with
// the code page's own characters (’ œ …), which other readers of the trailer garble.
bool id3v1_holds(const TagList& list) {
  for (const char* field : kTagFields) {
    for (char c : list.get(field)) {
      if (static_cast<uint8_t>(c) >= 0x80 && static_cast<uint8_t>(c) < 0xA0) return false;
    }
  }
  if (list.get(kFieldTitle).size() > kWrittenText || list.get(kFieldArtist).size() > kWrittenText ||
      list.get(kFieldAlbum).size() > kWrittenText || list.get(kFieldComment).size() > kWrittenComment ||
      list.get(kFieldDate).size() > kYearSize)
    return false;
  std::string track = list.get(kFieldTrackNumber);
  if (!track.empty() && (track != std::to_string(std::atoi(track.c_str())) || std::atoi(track.c_str()) < 1 ||
                         std::atoi(track.c_str()) > 255))
    return false;
  std::string genre = list.get(kFieldGenre);
  return genre.empty() || genre_code(genre) >= 0;
}

}  // namespace vt
