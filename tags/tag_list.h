// The tags of one recording in memory: named text values (Windows-1252 text), the
// seven field names the editor shows, and what an ID3v2 rewrite must carry over
// from the file untouched.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vt {

extern const char kFieldTitle[];        // "TITLE"
extern const char kFieldArtist[];       // "ARTIST"
extern const char kFieldAlbum[];        // "ALBUM"
extern const char kFieldGenre[];        // "GENRE"
extern const char kFieldTrackNumber[];  // "TRACKNUMBER"
extern const char kFieldDate[];         // "DATE"
extern const char kFieldComment[];      // "COMMENT"
// The seven, in the editor's order.
extern const char* const kTagFields[7];
bool is_tag_field(const std::string& name);

constexpr size_t kMaxTagValueChars = 259;

// One ID3v2 frame as it will be written: id, the two flag bytes (as the tag's version
// reads them) and the body after the header, free of unsynchronisation.
struct Id3Frame {
  std::string id;
  uint8_t flags[2] = {0, 0};
  std::vector<uint8_t> body;
  // A frame this program cannot take apart (an id outside the standard's letters):
  // header and body exactly as read, written as they are.
  std::vector<uint8_t> raw;
};

struct TagEntry {
  std::string name;
  std::string value;
  // The frame the value was read from and the value as read: while the value stays
  // the same the frame is written back byte for byte (its text encoding, language
  // and description included).
  bool has_frame = false;
  Id3Frame frame;
  std::string value_as_read;
};

class TagList {
 public:
  // The value of the first entry of that name (case-sensitive), or empty text.
  std::string get(const std::string& name) const;
  // Replaces the value of the entry of that name, or puts a new entry in front.
  void set(const std::string& name, const std::string& value);
  // Cuts to 259 characters and strips leading and trailing spaces; with `replace` off
  // an entry that already has a value is left alone.
  void store(const std::string& name, const std::string& value, bool replace);
  // As store with replace on, remembering the frame it came from.
  void store_from_frame(const std::string& name, const std::string& value, const Id3Frame& frame);
  void clear();

  const std::vector<TagEntry>& entries() const { return entries_; }  // most recent first
  TagEntry* find(const std::string& name);

  // ID3v2 frames that hold no entry (pictures, private data, user texts, duplicates
  // with another description, frames this program does not know): written back as read.
  std::vector<Id3Frame>& kept_frames() { return kept_frames_; }
  const std::vector<Id3Frame>& kept_frames() const { return kept_frames_; }
  // Earlier frames of a field that a later frame of the same field superseded (a
  // second comment language, TYER beside TDRC): written before the entries, so the
  // reader still finds the entry's frame last; dropped once the field is emptied.
  std::vector<std::pair<std::string, Id3Frame>>& superseded_frames() { return superseded_; }
  const std::vector<std::pair<std::string, Id3Frame>>& superseded_frames() const { return superseded_; }
  // The version of the file's ID3v2 tag (2, 3 or 4), 0 when it has none, -1 when its
  // tag could not be taken apart (it is then never rewritten).
  int id3_version = 0;
  // False when some of the file's tags could not be read (a read error, a layout this
  // program cannot take apart): a write would lose what was not read, so none is made.
  bool whole = true;

 private:
  std::vector<TagEntry> entries_;
  std::vector<Id3Frame> kept_frames_;
  std::vector<std::pair<std::string, Id3Frame>> superseded_;
};

}  // namespace vt
