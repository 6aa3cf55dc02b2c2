// Where a decoder's bytes come from: a file opened by path, or a block of memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vt {

class ByteInput {
 public:
  virtual ~ByteInput() {}
  // Reads up to `count` bytes; returns how many were read (0 at the end).
  virtual int read(uint8_t* buffer, int count) = 0;
  // Moves to `offset` bytes from the start; false when that is impossible.
  virtual bool seek(int64_t offset) = 0;
  // Total size in bytes, or -1 when it is unknown.
  virtual int64_t size() = 0;
};

// Opens an existing file for reading (others may read and write it meanwhile);
// null when it cannot be opened. The one place that knows how files are opened.
ByteInput* open_file_input(const char* path);

// Reads from a private copy of `size` bytes.
ByteInput* new_memory_input(const uint8_t* data, size_t size);

}  // namespace vt
