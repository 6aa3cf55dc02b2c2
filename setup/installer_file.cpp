#include "setup/installer_file.h"

#include <algorithm>

namespace vt {
namespace {

const int kChunkBytes = 65536;

uint32_t read_le32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) | (static_cast<uint32_t>(at[2]) << 16) |
         (static_cast<uint32_t>(at[3]) << 24);
}

void put_le32(uint32_t value, std::vector<uint8_t>* out) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace

uint32_t add_to_checksum(uint32_t sum, const uint8_t* data, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) sum += data[i];
  return sum;
}

InstallerCheck read_installer_trailer(BinaryFile& file, int file_count, InstallerTrailer* trailer) {
  if (file_count <= 0) return kInstallerBadLayout;
  const int64_t trailer_bytes = (static_cast<int64_t>(file_count) + 2) * 4;
  const int64_t length = file.size();
  if (length < trailer_bytes) return kInstallerUnreadable;
  std::vector<uint8_t> raw(static_cast<size_t>(trailer_bytes));
  if (!file.seek(length - trailer_bytes) || !read_exactly(file, raw.data(), static_cast<int>(raw.size())))
    return kInstallerUnreadable;
  trailer->sizes.clear();
  int64_t payload_bytes = 0;
  for (int i = 0; i < file_count; ++i) {
    uint32_t size = read_le32(&raw[static_cast<size_t>(i) * 4]);
    trailer->sizes.push_back(size);
    payload_bytes += size;  // 64-bit: damaged sizes cannot wrap around
  }
  trailer->checksum = read_le32(&raw[static_cast<size_t>(file_count) * 4]);
  trailer->marker = read_le32(&raw[static_cast<size_t>(file_count + 1) * 4]);
  if (trailer->marker != kInstallerFileMarker) return kInstallerBadLayout;
  if (payload_bytes + trailer_bytes != length) return kInstallerBadLayout;
  return kInstallerIntact;
}

InstallerCheck verify_installer(BinaryFile& file, int file_count, InstallerTrailer* trailer) {
  InstallerCheck layout = read_installer_trailer(file, file_count, trailer);
  if (layout != kInstallerIntact) return layout;
  int64_t left = 0;
  for (uint32_t size : trailer->sizes) left += size;
  if (!file.seek(0)) return kInstallerUnreadable;
  std::vector<uint8_t> chunk(kChunkBytes);
  uint32_t sum = 0;
  while (left > 0) {
    int want = left < kChunkBytes ? static_cast<int>(left) : kChunkBytes;
    if (!read_exactly(file, chunk.data(), want)) return kInstallerUnreadable;
    sum = add_to_checksum(sum, chunk.data(), static_cast<size_t>(want));
    left -= want;
  }
  return sum == trailer->checksum ? kInstallerIntact : kInstallerBadChecksum;
}

namespace {

// The manifest's element with one of its two levels, padded to one length (the
// manifest keeps one more space before the next attribute). Put
// together at run time: a whole literal would stand among this program's own constants
// and be found before its manifest.
std::string execution_level_text(bool administrator) {
  std::string text = "<requestedExecutionLevel ";
  text += "level=\"";
  text += administrator ? "requireAdministrator\"" : "asInvoker\"           ";
  return text;
}

}  // namespace

bool set_execution_level(std::vector<uint8_t>* image, bool administrator) {
  const std::string from = execution_level_text(!administrator), to = execution_level_text(administrator);
  if (std::search(image->begin(), image->end(), to.begin(), to.end()) != image->end()) return true;
  auto at = std::search(image->begin(), image->end(), from.begin(), from.end());
  if (at == image->end()) return false;
  std::copy(to.begin(), to.end(), at);
  return true;
}

bool set_file_execution_level(const std::string& path, bool administrator) {
  std::unique_ptr<BinaryFile> file = open_binary_file(path, FileAccess::kUpdateShared);
  if (!file) return false;
  int64_t size = file->size();
  if (size <= 0 || size > 0x7FFFFFFF) return false;
  std::vector<uint8_t> image(static_cast<size_t>(size));
  if (!read_exactly(*file, image.data(), static_cast<int>(size))) return false;
  std::vector<uint8_t> changed = image;
  if (!set_execution_level(&changed, administrator)) return false;
  auto first = std::mismatch(image.begin(), image.end(), changed.begin()).first;
  if (first == image.end()) return true;
  const int64_t offset = first - image.begin();
  const int length = static_cast<int>(execution_level_text(false).size());
  return file->seek(offset) && file->write(changed.data() + offset, length) && file->flush();
}

bool write_installer(const std::vector<std::string>& payload_paths, const std::string& out_path,
                     std::string* error) {
  std::unique_ptr<BinaryFile> out = open_binary_file(out_path, FileAccess::kCreateReadShared);
  if (!out) {
    *error = "cannot create " + out_path;
    return false;
  }
  std::vector<uint8_t> trailer;
  uint32_t sum = 0;
  std::vector<uint8_t> chunk(kChunkBytes);
  for (const std::string& path : payload_paths) {
    std::unique_ptr<BinaryFile> in = open_binary_file(path, FileAccess::kReadShared);
    if (!in) {
      *error = "cannot read " + path;
      return false;
    }
    int64_t size = in->size();
    if (size < 0 || size > 0xFFFFFFFFll) {
      *error = "unusable size of " + path;
      return false;
    }
    if (&path == &payload_paths.front()) {
      // The program image, read whole to ask for an administrator's rights.
      std::vector<uint8_t> image(static_cast<size_t>(size));
      if (size > 0 && !read_exactly(*in, image.data(), static_cast<int>(size))) {
        *error = "cannot read " + path;
        return false;
      }
      set_execution_level(&image, true);
      if (size > 0 && !out->write(image.data(), static_cast<int>(size))) {
        *error = "cannot write " + out_path;
        return false;
      }
      sum = add_to_checksum(sum, image.data(), image.size());
      put_le32(static_cast<uint32_t>(size), &trailer);
      continue;
    }
    int64_t left = size;
    while (left > 0) {
      int want = left < kChunkBytes ? static_cast<int>(left) : kChunkBytes;
      if (!read_exactly(*in, chunk.data(), want)) {
        *error = "cannot read " + path;
        return false;
      }
      if (!out->write(chunk.data(), want)) {
        *error = "cannot write " + out_path;
        return false;
      }
      sum = add_to_checksum(sum, chunk.data(), static_cast<size_t>(want));
      left -= want;
    }
    put_le32(static_cast<uint32_t>(size), &trailer);
  }
  put_le32(sum, &trailer);
  put_le32(kInstallerFileMarker, &trailer);
  if (!out->write(trailer.data(), static_cast<int>(trailer.size()))) {
    *error = "cannot write " + out_path;
    return false;
  }
  return true;
}

}  // namespace vt
