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
  // Sets aside disk room for the file to reach `bytes` without changing its size, so
  // later writes up to there need no allocation (ending the file at its size gives back
  // what was not used); false where the system cannot.
  virtual bool reserve(int64_t bytes) { return false; }
  // Makes what was written reach the disk before the caller goes on.
  virtual bool flush() { return true; }
};

enum class FileAccess {
  kReadShared,        // existing file, read only; others may read and write it
  kReadDenyWrite,     // existing file, read only; others may read it, none may write it meanwhile
  kUpdateShared,      // read/write, opened or created, others may read and write
  kCreateReadShared,  // read/write, always created anew, others may read
};

// Null when the file cannot be opened.
std::unique_ptr<BinaryFile> open_binary_file(const std::string& path, FileAccess access);
// The same, but while another program holds the file it waits and tries again within
// `budget_ms` (the schedule of retry_schedule.h).
std::unique_ptr<BinaryFile> open_binary_file_waiting(const std::string& path, FileAccess access, uint32_t budget_ms);
// Puts `replacement` in the place of `target` in one step (both in one folder), so a
// reader sees either the old file or the new one, never a half-written one.
bool replace_file(const std::string& replacement, const std::string& target);
// The same, but the file keeps the target's attributes (read-only aside) and creation time.
bool replace_file_keeping_attributes(const std::string& replacement, const std::string& target);
bool remove_file(const std::string& path);

// Whole-buffer read: true only when exactly `bytes` bytes were read.
inline bool read_exactly(BinaryFile& file, void* data, int bytes) { return file.read(data, bytes) == bytes; }

}  // namespace vt
