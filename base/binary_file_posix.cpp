#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/binary_file.h"

namespace vt {
namespace {

class PosixFile : public BinaryFile {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }

  int read(void* data, int bytes) override {
    int total = 0;
    char* out = static_cast<char*>(data);
    while (total < bytes) {
      ssize_t got = ::read(fd_, out + total, static_cast<size_t>(bytes - total));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      total += static_cast<int>(got);
    }
    return total;
  }

  bool write(const void* data, int bytes) override {
    const char* in = static_cast<const char*>(data);
    int total = 0;
    while (total < bytes) {
      ssize_t put = ::write(fd_, in + total, static_cast<size_t>(bytes - total));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      total += static_cast<int>(put);
    }
    return true;
  }

  bool seek(int64_t offset) override { return offset >= 0 && ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == offset; }
  int64_t tell() override { return ::lseek(fd_, 0, SEEK_CUR); }
  int64_t size() override {
    struct stat info;
    return ::fstat(fd_, &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
  }
  bool truncate_here() override {
    off_t here = ::lseek(fd_, 0, SEEK_CUR);
    return here >= 0 && ::ftruncate(fd_, here) == 0;
  }
#ifdef __linux__
  // Only the system call: the library's fallback writes zeros through the whole range.
  bool flush() override { return ::fsync(fd_) == 0; }
  bool reserve(int64_t bytes) override { return bytes > 0 && ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes)) == 0; }
#endif

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<BinaryFile> open_binary_file(const std::string& path, FileAccess access) {
  int flags = O_RDONLY;
  if (access == FileAccess::kUpdateShared) flags = O_RDWR | O_CREAT;
  if (access == FileAccess::kCreateReadShared) flags = O_RDWR | O_CREAT | O_TRUNC;
  int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  struct stat info;
  // A file without write permission is refused for writing even to the superuser, as
  // Windows refuses a read-only file to everyone.
  bool refused = access != FileAccess::kReadShared && ::fstat(fd, &info) == 0 && !(info.st_mode & S_IWUSR);
  if (refused || ::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<BinaryFile>(new PosixFile(fd));
}

// Nothing locks files here: there is nothing to wait for.
std::unique_ptr<BinaryFile> open_binary_file_waiting(const std::string& path, FileAccess access, uint32_t) {
  return open_binary_file(path, access);
}

bool replace_file(const std::string& replacement, const std::string& target) {
  return std::rename(replacement.c_str(), target.c_str()) == 0;
}

bool replace_file_keeping_attributes(const std::string& replacement, const std::string& target) {
  struct stat info;
  if (::stat(target.c_str(), &info) == 0) ::chmod(replacement.c_str(), info.st_mode & 07777);
  return replace_file(replacement, target);
}

bool remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }

}  // namespace vt
