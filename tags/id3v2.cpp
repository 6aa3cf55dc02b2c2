#include "tags/id3v2.h"

#include <cstring>
#include <string>

#include "tags/genres.h"
#include "tags/id3v1.h"
#include "tags/tag_tables.h"
#include "tags/tag_text.h"

namespace vt {

uint32_t synchsafe_value(const uint8_t* b) {
  return (uint32_t(b[0] & 0x7F) << 21) | (uint32_t(b[1] & 0x7F) << 14) | (uint32_t(b[2] & 0x7F) << 7) | (b[3] & 0x7F);
}

void put_synchsafe(uint32_t v, uint8_t* b) {
  b[0] = (v >> 21) & 0x7F;
  b[1] = (v >> 14) & 0x7F;
  b[2] = (v >> 7) & 0x7F;
  b[3] = v & 0x7F;
}

namespace {

// Header flags (ID3v2.3 and 2.4 clause 3.1; 2.2 has the first two with 0x40 meaning compression).
constexpr uint8_t kTagUnsynchronised = 0x80, kTagExtendedHeader = 0x40, kTagFooter = 0x10;
// Frame format flags, second flag byte (v2.3 clause 3.3.1, v2.4 clause 4.1.2).
constexpr uint8_t kV3Compressed = 0x80, kV3Encrypted = 0x40, kV3Grouped = 0x20;
constexpr uint8_t kV4Grouped = 0x40, kV4Compressed = 0x08, kV4Encrypted = 0x04, kV4Unsynchronised = 0x02,
                  kV4LengthIndicator = 0x01;
// The version written for a new tag and for one read as 2.2; -1 marks a tag this
// reader could not take apart, which is therefore never rewritten.
constexpr int kWrittenVersion = 3, kUnreadableTag = -1;

uint32_t big_endian(const uint8_t* b) { return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3]; }

bool frame_id_char(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool valid_frame_id(const uint8_t* id, int length) {
  for (int i = 0; i < length; ++i) {
    if (!frame_id_char(id[i])) return false;
  }
  return true;
}

std::vector<uint8_t> without_unsynchronisation(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out;
  out.reserve(size);
  for (size_t i = 0; i < size; ++i) {
    out.push_back(data[i]);
    if (data[i] == 0xFF && i + 1 < size && data[i + 1] == 0) ++i;
  }
  return out;
}

// The end of a text in `encoding` starting at `from`: the terminator's offset (or
// `size`); `next` is where what follows the terminator begins.
size_t text_end(const uint8_t* data, size_t from, size_t size, int encoding, size_t* next) {
  bool wide = encoding == 1 || encoding == 2;
  size_t i = from;
  if (wide) {
    while (i + 1 < size && (data[i] || data[i + 1])) i += 2;
    if (i + 1 >= size) i = size;
    *next = i >= size ? size : i + 2;
  } else {
    while (i < size && data[i]) ++i;
    *next = i >= size ? size : i + 1;
  }
  return i;
}

// Text in one of the four encodings (0 ISO-8859-1, 1 UTF-16 with BOM, 2 UTF-16BE,
// 3 UTF-8) as the program's text. ISO-8859-1 text is taken as it is.
std::string decode_text(const uint8_t* data, size_t size, int encoding) {
  if (encoding == 1 || encoding == 2) return text_from_utf16(data, size, encoding == 2);
  std::string bytes(reinterpret_cast<const char*>(data), size);
  return encoding == 3 ? text_from_utf8(bytes) : bytes;
}

const char* field_of_frame(const std::string& id) {
  if (id == "TIT2") return kFieldTitle;
  if (id == "TPE1") return kFieldArtist;
  if (id == "TALB") return kFieldAlbum;
  if (id == "TCON") return kFieldGenre;
  if (id == "TRCK") return kFieldTrackNumber;
  if (id == "TYER" || id == "TDRC") return kFieldDate;  // TDRC: the recording time of ID3v2.4
  if (id == "COMM") return kFieldComment;
  return nullptr;
}

const char* frame_of_field(const std::string& name, int version) {
  if (name == kFieldTitle) return "TIT2";
  if (name == kFieldArtist) return "TPE1";
  if (name == kFieldAlbum) return "TALB";
  if (name == kFieldGenre) return "TCON";
  if (name == kFieldTrackNumber) return "TRCK";
  if (name == kFieldDate) return version == 4 ? "TDRC" : "TYER";
  if (name == kFieldComment) return "COMM";
  return nullptr;
}

// A frame whose content is readable (not compressed or encrypted): turns it into an
// entry when it holds a field or a text, otherwise keeps it for the rewrite.
void take_frame(const Id3Frame& frame, const uint8_t* data, size_t size, TagList& list) {
  const std::string& id = frame.id;
  int encoding = size ? data[0] : -1;
  bool text_frame = id[0] == 'T' && id != "TXXX";
  if (encoding < 0 || encoding > 3 || !(text_frame || id == "COMM" || id == "WXXX")) {
    list.kept_frames().push_back(frame);
    return;
  }
  size_t next = 0, end = 0;
  std::string value;
  if (text_frame) {
    end = text_end(data, 1, size, encoding, &next);
    value = decode_text(data + 1, end - 1, encoding);
    if (id == "TCON") value = genre_from_id3v2(value);
  } else {
    // COMM: encoding, language, description, text. WXXX: encoding, description, URL.
    size_t description_at = id == "COMM" ? 4 : 1;
    if (size < description_at) {
      list.kept_frames().push_back(frame);
      return;
    }
    size_t description_end = text_end(data, description_at, size, encoding, &next);
    if (!decode_text(data + description_at, description_end - description_at, encoding).empty()) {  // described comments and links belong to other programs
      list.kept_frames().push_back(frame);
      return;
    }
    size_t text_at = next;
    int text_encoding = id == "WXXX" ? 0 : encoding;  // a URL is always ISO-8859-1
    end = text_end(data, text_at, size, text_encoding, &next);
    value = decode_text(data + text_at, end - text_at, text_encoding);
  }
  const char* field = field_of_frame(id);
  list.store_from_frame(field ? field : id, value, frame);
}

// Where the frame's content starts after the extra bytes its flags announce, or -1
// when the content is compressed or encrypted.
int content_offset(const Id3Frame& frame, int version) {
  uint8_t format = frame.flags[1];
  if (version == 3) {
    if (format & (kV3Compressed | kV3Encrypted)) return -1;
    return (format & kV3Grouped) ? 1 : 0;
  }
  if (version == 4) {
    if (format & (kV4Compressed | kV4Encrypted)) return -1;
    return ((format & kV4Grouped) ? 1 : 0) + ((format & kV4LengthIndicator) ? 4 : 0);
  }
  return 0;
}

// ID3v2.2 pictures name an image format ("JPG", "PNG") where 2.3 has a MIME type.
std::vector<uint8_t> picture_from_v22(const std::vector<uint8_t>& body) {
  if (body.size() < 4) return body;
  std::string format(reinterpret_cast<const char*>(&body[1]), 3);
  for (char& c : format) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  std::string mime = format == "jpg" ? "image/jpeg" : format == "-->" ? "-->" : "image/" + format;
  std::vector<uint8_t> out;
  out.push_back(body[0]);
  out.insert(out.end(), mime.begin(), mime.end());
  out.push_back(0);
  out.insert(out.end(), body.begin() + 4, body.end());
  return out;
}

const char* v23_id_of(const uint8_t* v22) {
  for (int i = 0; i < kId3v22FrameCount; ++i) {
    if (!std::memcmp(kId3v22Frames[i].v22, v22, 3)) return kId3v22Frames[i].v23;
  }
  return nullptr;
}

// ID3v2.4 frame sizes are synchsafe, but some programs wrote plain sizes there: a
// size with a high bit set is plain, and so is one whose synchsafe reading lands
// on no frame while the plain reading does.
uint32_t v24_frame_size(const uint8_t* frames, size_t at, size_t end) {
  const uint8_t* b = frames + at + 4;
  uint32_t plain = big_endian(b);
  if ((b[0] | b[1] | b[2] | b[3]) & 0x80) return plain;
  uint32_t safe = synchsafe_value(b);
  if (safe == plain) return safe;
  auto lands = [&](uint32_t size) {
    size_t next = at + 10 + size;
    if (next == end) return true;
    if (next > end) return false;
    if (next + 4 > end || frames[next] == 0) return true;  // padding
    if (valid_frame_id(frames + next, 4)) return true;
    // A frame with an id outside the standard's letters, kept as it was read, is still
    // a frame when its size fits.
    return next + 10 <= end && (synchsafe_value(frames + next + 4) <= end - next - 10 ||
                                big_endian(frames + next + 4) <= end - next - 10);
  };
  return !lands(safe) && lands(plain) ? plain : safe;
}

// A frame id of ID3v2.2 that some programs wrote into 2.3 and 2.4 tags, padded with
// a zero byte ("TP1\0"): the 2.3 id it stands for, or null.
const char* padded_v22_id(const uint8_t* id) {
  if (id[3] != 0 || !valid_frame_id(id, 3)) return nullptr;
  return v23_id_of(id);
}

// Frames up to the padding (a zero byte where an id would begin). Frames this reader
// does not understand are passed over by their size and kept as they are; one that
// runs past the tag ends the list, and the tag is then not read whole.
void read_frames(const uint8_t* frames, size_t end, size_t at, int version, bool all_unsynchronised, TagList& list) {
  int header_size = version == 2 ? 6 : 10;
  while (at + header_size <= end) {
    const uint8_t* header = frames + at;
    if (header[0] == 0) break;
    uint32_t size = version == 2 ? (uint32_t(header[3]) << 16 | uint32_t(header[4]) << 8 | header[5])
                    : version == 3 ? big_endian(header + 4)
                                   : v24_frame_size(frames, at, end);
    // A frame cut short by the tag's end: what came before is sound, but a rewrite
    // could neither keep it as it is nor drop it without loss.
    if (size > end - at - header_size) {
      list.whole = false;
      break;
    }
    const uint8_t* body = header + header_size;
    const char* v23_id = version == 2 ? v23_id_of(header) : valid_frame_id(header, 4) ? "" : padded_v22_id(header);
    at += header_size + size;
    if (!v23_id) {
      // A 2.2 frame has no place in the 2.3 tag it is written back as.
      if (version != 2) {
        Id3Frame frame;
        frame.raw.assign(header, body + size);
        list.kept_frames().push_back(frame);
      }
      continue;
    }
    if (size == 0) continue;
    Id3Frame frame;
    if (version == 2) {
      frame.id = v23_id;
      frame.body.assign(body, body + size);
      if (frame.id == "APIC") frame.body = picture_from_v22(frame.body);
    } else {
      frame.id = *v23_id ? std::string(v23_id) : std::string(reinterpret_cast<const char*>(header), 4);
      frame.flags[0] = header[8];
      frame.flags[1] = header[9];
      if (version == 4 && ((frame.flags[1] & kV4Unsynchronised) || all_unsynchronised)) {
        frame.body = without_unsynchronisation(body, size);
        frame.flags[1] &= static_cast<uint8_t>(~kV4Unsynchronised);
        if (frame.flags[1] & kV4LengthIndicator && frame.body.size() >= 4 && !(frame.flags[1] & kV4Compressed) &&
            !(frame.flags[1] & kV4Encrypted)) {
          size_t group = (frame.flags[1] & kV4Grouped) ? 1 : 0;
          if (frame.body.size() >= group + 4) put_synchsafe(uint32_t(frame.body.size() - group - 4), &frame.body[group]);
        }
      } else {
        frame.body.assign(body, body + size);
      }
    }
    int offset = content_offset(frame, version == 2 ? kWrittenVersion : version);
    if (offset < 0 || static_cast<size_t>(offset) > frame.body.size()) {
      list.kept_frames().push_back(frame);
      continue;
    }
    take_frame(frame, frame.body.data() + offset, frame.body.size() - offset, list);
  }
}

}  // namespace

bool is_id3v2_header(const uint8_t* h, Id3v2Place& place) {
  if (h[0] != 'I' || h[1] != 'D' || h[2] != '3' || h[3] == 0xFF || h[4] == 0xFF) return false;
  if ((h[6] | h[7] | h[8] | h[9]) & 0x80) return false;
  place.version = h[3];
  place.extent = kId3v2HeaderSize + int64_t(synchsafe_value(h + 6)) + ((h[5] & kTagFooter) ? 10 : 0);
  return true;
}

bool find_id3v2(BinaryFile& file, Id3v2Place& place) {
  std::vector<uint8_t> block(1 << 16);
  int64_t base = 0;
  int kept = 0;  // bytes carried over from the previous block
  if (!file.seek(0)) return false;
  for (;;) {
    int got = file.read(block.data() + kept, static_cast<int>(block.size()) - kept);
    int have = kept + got;
    for (int i = 0; i + kId3v2HeaderSize <= have; ++i) {
      if (block[i] == 'I' && is_id3v2_header(&block[i], place)) {
        place.offset = base + i;
        return true;
      }
    }
    if (got <= 0) return false;
    kept = std::min(have, kId3v2HeaderSize - 1);
    std::memmove(block.data(), block.data() + have - kept, static_cast<size_t>(kept));
    base += have - kept;
  }
}

void read_id3v2(const std::vector<uint8_t>& tag, TagList& list) {
  Id3v2Place place;
  if (tag.size() < kId3v2HeaderSize || !is_id3v2_header(tag.data(), place)) return;
  uint8_t flags = tag[5];
  size_t end = std::min(tag.size(), size_t(kId3v2HeaderSize) + synchsafe_value(&tag[6]));
  list.id3_version = place.version;
  if (place.version < 2 || place.version > 4 || (place.version == 2 && (flags & kTagExtendedHeader))) {
    list.id3_version = kUnreadableTag;  // unknown layout, or a compressed 2.2 tag
    list.whole = false;
    return;
  }
  std::vector<uint8_t> frames(tag.begin() + kId3v2HeaderSize, tag.begin() + end);
  // Up to 2.3 unsynchronisation covers the whole tag; in 2.4 it is undone frame by frame.
  if (place.version < 4 && (flags & kTagUnsynchronised)) frames = without_unsynchronisation(frames.data(), frames.size());
  size_t at = 0;
  // Some taggers set the extended-header flag with no extended header: the frames
  // then start at once, and no extended header size reads as a frame id.
  if (place.version >= 3 && (flags & kTagExtendedHeader) && !(frames.size() >= 4 && valid_frame_id(frames.data(), 4))) {
    // 2.3 counts the extended header without its size field, 2.4 with it.
    bool room = frames.size() >= 4;
    uint32_t size = !room ? uint32_t(frames.size())
                    : place.version == 3 ? big_endian(frames.data()) + 4
                                         : synchsafe_value(frames.data());
    if (size > frames.size() || (room && size < 4)) {
      list.id3_version = kUnreadableTag;
      list.whole = false;
      return;
    }
    at = size;
  }
  read_frames(frames.data(), frames.size(), at, place.version,
              place.version == 4 && (flags & kTagUnsynchronised), list);
}

bool needs_id3v2(const TagList& list) {
  if (list.id3_version != 0 || !list.kept_frames().empty() || !id3v1_holds(list)) return true;
  for (const TagEntry& entry : list.entries()) {
    if (!is_tag_field(entry.name)) return true;
  }
  return false;
}

namespace {

void append_frame(std::vector<uint8_t>& tag, const Id3Frame& frame, int version) {
  if (!frame.raw.empty()) {
    tag.insert(tag.end(), frame.raw.begin(), frame.raw.end());
    return;
  }
  uint8_t header[10];
  std::memcpy(header, frame.id.data(), 4);
  uint32_t size = static_cast<uint32_t>(frame.body.size());
  if (version == 4) {
    put_synchsafe(size, header + 4);
  } else {
    header[4] = uint8_t(size >> 24);
    header[5] = uint8_t(size >> 16);
    header[6] = uint8_t(size >> 8);
    header[7] = uint8_t(size);
  }
  header[8] = frame.flags[0];
  header[9] = frame.flags[1];
  tag.insert(tag.end(), header, header + 10);
  tag.insert(tag.end(), frame.body.begin(), frame.body.end());
}

bool writable_frame_id(const std::string& id) {
  return id.size() == 4 && valid_frame_id(reinterpret_cast<const uint8_t*>(id.data()), 4);
}

bool needs_wide_text(const std::string& value) {
  for (char c : value) {
    uint8_t byte = static_cast<uint8_t>(c);
    if (byte >= 0x80 && byte < 0xA0) return true;
  }
  return false;
}

// A frame for an entry the user set or changed (a comment with a zero language and an
// empty description, a link with an empty one). Text inside ISO-8859-1 goes as it is;
// text with the code page's own characters (’ œ € … –) as UTF-16 in 2.3 and UTF-8 in
// 2.4, so that every reader shows the same characters.
Id3Frame text_frame(const std::string& id, const std::string& value, int version) {
  bool link = id == "WXXX";
  int encoding = link || !needs_wide_text(value) ? 0 : version == 4 ? 3 : 1;
  std::string text = value;
  std::string terminator(1, '\0');
  if (encoding == 3) {
    text = utf8_from_text(value);
  } else if (encoding == 1) {
    text = utf16le_from_text(value);
    terminator.assign(2, '\0');
  }
  Id3Frame frame;
  frame.id = id;
  frame.body.push_back(static_cast<uint8_t>(encoding));
  if (id == "COMM") frame.body.insert(frame.body.end(), {0, 0, 0});
  if (id == "COMM" || link) frame.body.insert(frame.body.end(), terminator.begin(), terminator.end());
  frame.body.insert(frame.body.end(), text.begin(), text.end());
  frame.body.insert(frame.body.end(), terminator.begin(), terminator.end());
  return frame;
}

}  // namespace

bool build_id3v2(const TagList& list, std::vector<uint8_t>& tag) {
  if (list.id3_version == kUnreadableTag) return false;
  int version = list.id3_version == 4 ? 4 : kWrittenVersion;
  tag.assign(kId3v2HeaderSize, 0);
  std::memcpy(tag.data(), "ID3", 3);
  tag[3] = static_cast<uint8_t>(version);
  for (const auto& superseded : list.superseded_frames()) {
    if (!list.get(superseded.first).empty()) append_frame(tag, superseded.second, version);
  }
  for (const TagEntry& entry : list.entries()) {
    if (entry.has_frame && entry.value == entry.value_as_read) {
      append_frame(tag, entry.frame, version);
      continue;
    }
    if (entry.value.empty()) continue;
    const char* field_frame = frame_of_field(entry.name, version);
    std::string id = entry.has_frame ? entry.frame.id : field_frame ? field_frame : entry.name;
    if (!writable_frame_id(id)) continue;
    append_frame(tag, text_frame(id, entry.value, version), version);
  }
  for (const Id3Frame& frame : list.kept_frames()) append_frame(tag, frame, version);
  size_t size = tag.size() - kId3v2HeaderSize;
  if (size > 0x0FFFFFFF) return false;
  put_synchsafe(static_cast<uint32_t>(size), &tag[6]);
  return true;
}

}  // namespace vt
