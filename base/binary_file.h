// The little file interface the readers and writers go through, so the same
// format code runs on the native build (POSIX) and on Windows (CreateFileA).
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace vt {

class BinaryFile {
 public:
  virtual ~BinaryFile() {}
  // Reads up to `bytes` bytes; returns how many arrived (0 at the end or on error).
  virtual int read(void* data, int bytes) = 0;
  // Writes all `bytes`; false when the system took fewer.
  virtual bool write(const void* data, int bytes) = 0;
  virtual bool seek(int64_t offset) = 0;
  virtual int64_t tell() = 0;
  virtual int64_t size() = 0;
  // Ends the file at the current position.
  virtual bool truncate_here() = 0;
};

enum class FileAccess {
  kReadShared,        // existing file, read only; others may read and write it
  kUpdateShared,      // read/write, opened or created, others may read and write
  kCreateReadShared,  // read/write, always created anew, others may read
};

// Null when the file cannot be opened.
std::unique_ptr<BinaryFile> open_binary_file(const std::string& path, FileAccess access);

// Whole-buffer read: true only when exactly `bytes` bytes were read.
inline bool read_exactly(BinaryFile& file, void* data, int bytes) { return file.read(data, bytes) == bytes; }

}  // namespace vt
