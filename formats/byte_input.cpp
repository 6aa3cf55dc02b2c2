#include "formats/byte_input.h"

#include <cstdio>
#include <cstring>

namespace vt {

namespace {

class FileInput : public ByteInput {
 public:
  explicit FileInput(std::FILE* file) : file_(file) {}
  ~FileInput() override { std::fclose(file_); }
  int read(uint8_t* buffer, int count) override {
    return count > 0 ? int(std::fread(buffer, 1, size_t(count), file_)) : 0;
  }
  bool seek(int64_t offset) override {
    return offset >= 0 && offset <= 0x7FFFFFFF && std::fseek(file_, long(offset), SEEK_SET) == 0;
  }
  int64_t size() override {
    long here = std::ftell(file_);
    if (here < 0 || std::fseek(file_, 0, SEEK_END) != 0) return -1;
    long end = std::ftell(file_);
    std::fseek(file_, here, SEEK_SET);
    return end;
  }

 private:
  std::FILE* file_;
};

class MemoryInput : public ByteInput {
 public:
  MemoryInput(const uint8_t* data, size_t size) : bytes_(data, data + size) {}
  int read(uint8_t* buffer, int count) override {
    if (count <= 0 || offset_ >= bytes_.size()) return 0;
    size_t n = bytes_.size() - offset_;
    if (n > size_t(count)) n = size_t(count);
    std::memcpy(buffer, bytes_.data() + offset_, n);
    offset_ += n;
    return int(n);
  }
  bool seek(int64_t offset) override {
    if (offset < 0) return false;
    offset_ = size_t(offset) < bytes_.size() ? size_t(offset) : bytes_.size();
    return true;
  }
  int64_t size() override { return int64_t(bytes_.size()); }

 private:
  std::vector<uint8_t> bytes_;
  size_t offset_ = 0;
};

}  // namespace

ByteInput* open_file_input(const char* path) {
  std::FILE* file = path ? std::fopen(path, "rb") : nullptr;
  return file ? new FileInput(file) : nullptr;
}

ByteInput* new_memory_input(const uint8_t* data, size_t size) { return new MemoryInput(data, size); }

}  // namespace vt
