#include "tags/riff_info.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/binary_file.h"
#include "tags/file_rewrite.h"

namespace vt {
namespace {

const char kBlankId[] = "    ";
// The INFO sub-chunks of the fields; IPRD is read as the title, which is written
// into DISP only.
struct InfoField {
  char id[5];
  const char* field;
};
const InfoField kInfoFields[] = {{"IPRD", kFieldTitle},       {"ITRK", kFieldTrackNumber}, {"INAM", kFieldAlbum},
                                 {"ICOP", kFieldDate},        {"IGNR", kFieldGenre},       {"ICMT", kFieldComment},
                                 {"IART", kFieldArtist}};
constexpr uint32_t kDispText = 1;          // clipboard format CF_TEXT
constexpr size_t kMaxTextRead = 1024;      // more than a value keeps
// Blank chunks at the end are written over only up to this much (it is held in
// memory, to be put back if appending fails).
constexpr int64_t kMaxTailReused = 1 << 20;

uint32_t le32(const uint8_t* b) { return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24; }
void put_le32(uint32_t v, uint8_t* b) {
  b[0] = uint8_t(v);
  b[1] = uint8_t(v >> 8);
  b[2] = uint8_t(v >> 16);
  b[3] = uint8_t(v >> 24);
}
int64_t even(int64_t size) { return size + (size & 1); }

bool same_id(const uint8_t* id, const char* name) { return std::memcmp(id, name, 4) == 0; }
bool is_info_type(const uint8_t* type) {
  static const char kInfo[] = "INFO";
  for (int i = 0; i < 4; ++i) {
    if ((type[i] & ~0x20) != kInfo[i]) return false;
  }
  return true;
}

const InfoField* info_field_of_id(const uint8_t* id) {
  for (const InfoField& f : kInfoFields) {
    if (same_id(id, f.id)) return &f;
  }
  return nullptr;
}

const char* info_id_of_field(const std::string& name) {
  if (name == kFieldTitle) return nullptr;
  for (const InfoField& f : kInfoFields) {
    if (name == f.field) return f.id;
  }
  return nullptr;
}

// Text of `size` bytes at the file's position, up to its first zero byte.
std::string read_text(BinaryFile& file, int64_t size) {
  std::vector<char> text(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(size, 0), kMaxTextRead)));
  if (text.empty()) return std::string();
  int got = file.read(text.data(), static_cast<int>(text.size()));
  return std::string(text.data(), strnlen(text.data(), static_cast<size_t>(std::max(got, 0))));
}

// The offset just after the "RIFF" "WAVE" header, or -1. Chunks before it are passed over.
int64_t find_wave_form(BinaryFile& file, int64_t size, int64_t* riff_at) {
  int64_t at = 0;
  uint8_t header[12];
  while (file.seek(at) && read_exactly(file, header, 12)) {
    if (same_id(header, "RIFF") && same_id(header + 8, "WAVE")) {
      *riff_at = at;
      return at + 12;
    }
    uint32_t chunk = le32(header + 4);
    if (chunk <= 4) return -1;
    at += 8 + even(chunk);
    if (at >= size) return -1;
  }
  return -1;
}

}  // namespace

bool read_wav_tags(TagList& list, const std::string& path) {
  std::unique_ptr<BinaryFile> file = open_binary_file_waiting(path, FileAccess::kReadShared, kTagFileBudgetMs);
  if (!file) {
    list.whole = false;
    return false;
  }
  int64_t size = file->size(), riff_at = 0;
  int64_t at = find_wave_form(*file, size, &riff_at);
  if (at < 0) return true;
  uint8_t header[12];
  while (at + 8 <= size) {
    // A read that fails inside the file is an error, not the end of the chunks.
    if (!file->seek(at) || !read_exactly(*file, header, 8)) {
      list.whole = false;
      break;
    }
    int64_t chunk = le32(header + 4), data = at + 8, next = data + even(chunk);
    if (same_id(header, "LIST") && chunk >= 4 && data + 4 <= size && read_exactly(*file, header + 8, 4)) {
      if (!is_info_type(header + 8)) {
        at = data + 4;  // the list's chunks are read as chunks
        continue;
      }
      int64_t end = std::min(data + chunk, size), sub = data + 4;
      while (sub + 8 <= end && file->seek(sub) && read_exactly(*file, header, 8)) {
        int64_t sub_size = le32(header + 4);
        if (sub_size > end - sub - 8) break;
        if (const InfoField* f = info_field_of_id(header)) list.store(f->field, read_text(*file, sub_size), false);
        sub += 8 + even(sub_size);
      }
    } else if (same_id(header, "DISP") && chunk >= 4 && read_exactly(*file, header + 8, 4) &&
               le32(header + 8) == kDispText) {
      // Other DISP types carry pictures or other clipboard data, not a title.
      list.store(kFieldTitle, read_text(*file, std::min(chunk, size - data) - 4), false);
    }
    at = next;
  }
  return true;
}

namespace {

// The DISP chunk of a title: type 1, the text, one or two zero bytes up to an even length.
std::vector<uint8_t> disp_chunk(const std::string& title) {
  std::string text = title.substr(0, std::min(title.size(), kMaxTagValueChars));
  uint32_t size = static_cast<uint32_t>(4 + text.size() + 2) & ~1u;
  std::vector<uint8_t> chunk(8 + size, 0);
  std::memcpy(chunk.data(), "DISP", 4);
  put_le32(size, &chunk[4]);
  put_le32(kDispText, &chunk[8]);
  std::memcpy(&chunk[12], text.data(), text.size());
  return chunk;
}

// The LIST INFO chunk holding `values` (INFO id and value).
std::vector<uint8_t> info_list(const std::vector<std::pair<const char*, std::string>>& values) {
  std::vector<uint8_t> list = {'L', 'I', 'S', 'T', 0, 0, 0, 0, 'I', 'N', 'F', 'O'};
  for (const auto& value : values) {
    size_t at = list.size();
    list.resize(at + 8 + static_cast<size_t>(even(static_cast<int64_t>(value.second.size()) + 1)), 0);
    std::memcpy(&list[at], value.first, 4);
    put_le32(static_cast<uint32_t>(value.second.size() + 1), &list[at + 4]);
    std::memcpy(&list[at + 8], value.second.data(), value.second.size());
  }
  put_le32(static_cast<uint32_t>(list.size() - 8), &list[4]);
  return list;
}

class WavTagWriter {
 public:
  WavTagWriter(const TagList& list, BinaryFile& file) : list_(list), file_(file), placed_(list.entries().size()) {
    for (size_t i = 0; i < placed_.size(); ++i) placed_[i] = !info_id_of_field(list.entries()[i].name);
    disp_ = disp_chunk(list.get(kFieldTitle));
  }
  bool write();

 private:
  struct Patch {
    int64_t at;
    std::vector<uint8_t> bytes;
  };
  bool plan();
  bool rewrite_info_list(int64_t data, int64_t end, bool* emptied);
  // While planning, writes inside the file are noted to be made after the appending.
  bool put(int64_t at, const void* bytes, size_t count) {
    const uint8_t* b = static_cast<const uint8_t*>(bytes);
    patches_.push_back({at, std::vector<uint8_t>(b, b + count)});
    return true;
  }
  bool write_at(int64_t at, const std::vector<uint8_t>& bytes) {
    return bytes.empty() || (file_.seek(at) && file_.write(bytes.data(), static_cast<int>(bytes.size())));
  }
  bool set_riff_size(int64_t end) {
    uint8_t riff_size[4];
    put_le32(static_cast<uint32_t>(std::min<int64_t>(end - riff_at_ - 8, 0xFFFFFFFF)), riff_size);
    return write_at(riff_at_ + 4, std::vector<uint8_t>(riff_size, riff_size + 4));
  }

  const TagList& list_;
  BinaryFile& file_;
  std::vector<Patch> patches_;
  std::vector<uint8_t> data_size_patch_;  // a data chunk cut short gets its true size first
  int64_t riff_at_ = 0, size_ = 0, end_ = 0;
  std::vector<uint8_t> added_;
  std::vector<bool> placed_;
  std::vector<uint8_t> disp_;
  bool disp_placed_ = false;
};

// Blanks the field sub-chunks of one INFO list, then gives blank slots of the right
// size to values not yet placed. `emptied`: nothing but blank slots is left in it.
bool WavTagWriter::rewrite_info_list(int64_t data, int64_t end, bool* emptied) {
  struct Slot {
    int64_t at, size;
    bool blank;
  };
  std::vector<Slot> slots;
  uint8_t header[8];
  for (int64_t sub = data + 4; sub + 8 <= end && file_.seek(sub) && read_exactly(file_, header, 8);) {
    int64_t size = le32(header + 4);
    if (size > end - sub - 8) break;
    bool blank = same_id(header, kBlankId);
    if (info_field_of_id(header)) {
      if (!put(sub, kBlankId, 4)) return false;
      blank = true;
    }
    slots.push_back({sub, size, blank});
    sub += 8 + even(size);
  }
  for (size_t i = 0; i < placed_.size(); ++i) {
    if (placed_[i]) continue;
    const TagEntry& entry = list_.entries()[i];
    for (Slot& slot : slots) {
      if (!slot.blank || slot.size != static_cast<int64_t>(entry.value.size()) + 1) continue;
      std::vector<uint8_t> bytes(entry.value.begin(), entry.value.end());
      bytes.push_back(0);
      // The text before the id, so that the slot holds the field only once it is whole.
      if (!put(slot.at + 8, bytes.data(), bytes.size()) || !put(slot.at, info_id_of_field(entry.name), 4)) return false;
      slot.blank = false;
      placed_[i] = true;
      break;
    }
  }
  *emptied = std::all_of(slots.begin(), slots.end(), [](const Slot& s) { return s.blank; });
  return true;
}

// Walks the chunks as the reader does, noting what to write. Chunks at the end that
// hold nothing but blank slots are cut away before new ones are appended, so saving
// again and again does not make the file grow.
bool WavTagWriter::plan() {
  int64_t size = file_.size();
  int64_t at = find_wave_form(file_, size, &riff_at_);
  if (at < 0) return false;
  int64_t tail = -1, inside_list_until = 0, last_data_at = -1;
  uint8_t header[12];
  while (at + 8 <= size && file_.seek(at) && read_exactly(file_, header, 8)) {
    int64_t chunk = le32(header + 4), data = at + 8, next = data + even(chunk);
    last_data_at = same_id(header, "data") ? at : -1;
    bool removable = false;
    if (same_id(header, "LIST") && chunk >= 4 && read_exactly(file_, header + 8, 4)) {
      if (!is_info_type(header + 8)) {
        inside_list_until = std::max(inside_list_until, next);
        tail = -1;
        at = data + 4;
        continue;
      }
      if (!rewrite_info_list(data, std::min(data + chunk, size), &removable)) return false;
    } else if (same_id(header, kBlankId) ||
               (same_id(header, "DISP") && chunk >= 4 && read_exactly(file_, header + 8, 4) &&
                le32(header + 8) == kDispText)) {
      if (!disp_placed_ && chunk + 8 == static_cast<int64_t>(disp_.size()) && next <= size) {
        if (!put(at, disp_.data(), disp_.size())) return false;
        disp_placed_ = true;
      } else {
        if (!put(at, kBlankId, 4)) return false;
        removable = true;
      }
    }
    if (!removable) tail = -1;
    else if (tail < 0 && at >= inside_list_until) tail = at;
    at = next;
  }
  // A last chunk that runs past the end would take appended chunks for its own data.
  // Audio data cut short, or written through a pipe with a size that was never
  // patched, gets the size of what is there; other chunks are not guessed at.
  if (at > size + 1) {
    if (last_data_at < 0) return false;
    data_size_patch_.resize(4);
    put_le32(static_cast<uint32_t>(std::min<int64_t>(size - last_data_at - 8, 0xFFFFFFFF)), data_size_patch_.data());
    patches_.insert(patches_.begin(), {last_data_at + 4, data_size_patch_});
    at = last_data_at + 8 + even(size - last_data_at - 8);
  }
  // New chunks go where the next chunk would begin: after a last chunk without its pad
  // byte (one is added), or over a few stray bytes too short to be a chunk.
  size_ = size;
  end_ = tail >= 0 && size - tail <= kMaxTailReused ? tail : std::min(at, size);
  if (end_ & 1) added_.push_back(0);
  std::vector<std::pair<const char*, std::string>> values;
  for (size_t i = 0; i < placed_.size(); ++i) {
    if (!placed_[i]) values.push_back({info_id_of_field(list_.entries()[i].name), list_.entries()[i].value});
  }
  if (!values.empty()) {
    std::vector<uint8_t> list = info_list(values);
    added_.insert(added_.end(), list.begin(), list.end());
  }
  if (!disp_placed_) added_.insert(added_.end(), disp_.begin(), disp_.end());
  return true;
}

// The order keeps the file whole at every instant: the RIFF size never covers a chunk
// not yet complete, new chunks are in place before old slots are blanked, and the
// data chunk never moves. Appending is the only step that needs disk room; when it
// fails, the file is put back as it was.
bool WavTagWriter::write() {
  if (!plan()) return false;
  int64_t new_size = end_ + static_cast<int64_t>(added_.size());
  std::vector<uint8_t> old_tail(static_cast<size_t>(size_ - end_));
  if (!file_.seek(end_) || !read_exactly(file_, old_tail.data(), static_cast<int>(old_tail.size()))) return false;
  if (!data_size_patch_.empty() && !write_at(patches_.front().at, patches_.front().bytes)) return false;
  if (end_ < size_ && !set_riff_size(end_)) return false;
  if (!write_at(end_, added_)) {
    if (file_.seek(end_) && file_.truncate_here() && write_at(end_, old_tail)) set_riff_size(size_);
    return false;
  }
  if (new_size < size_ && !(file_.seek(new_size) && file_.truncate_here())) return false;
  if (!set_riff_size(new_size)) return false;
  for (const Patch& patch : patches_) {
    // Chunks from end_ on were cut away or written over.
    if (patch.at < end_ && !write_at(patch.at, patch.bytes)) return false;
  }
  return file_.flush();
}

}  // namespace

bool write_wav_tags(const TagList& list, const std::string& path) {
  if (!list.whole || !open_binary_file_waiting(path, FileAccess::kReadShared, kTagFileBudgetMs)) return false;
  std::unique_ptr<BinaryFile> file = open_binary_file_waiting(path, FileAccess::kUpdateShared, kTagFileBudgetMs);
  if (!file) return false;
  return write_wav_tags_in(list, *file);
}

bool write_wav_tags_in(const TagList& list, BinaryFile& file) {
  WavTagWriter writer(list, file);
  return writer.write();
}

}  // namespace vt
