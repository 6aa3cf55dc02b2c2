#include <windows.h>

#include "base/binary_file.h"
#include "base/retry_schedule.h"
#include "win/files_win.h"
#include "win/handles_win.h"

namespace vt {
namespace {

class WindowsFile : public BinaryFile {
 public:
  explicit WindowsFile(HANDLE handle) : file_(handle) {}

  int read(void* data, int bytes) override {
    DWORD got = 0;
    if (bytes <= 0 || !ReadFile(file_.get(), data, static_cast<DWORD>(bytes), &got, nullptr)) return 0;
    return static_cast<int>(got);
  }
  bool write(const void* data, int bytes) override {
    DWORD put = 0;
    if (bytes <= 0) return bytes == 0;
    return WriteFile(file_.get(), data, static_cast<DWORD>(bytes), &put, nullptr) && put == static_cast<DWORD>(bytes);
  }
  bool seek(int64_t offset) override {
    LARGE_INTEGER to;
    to.QuadPart = offset;
    return offset >= 0 && SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN);
  }
  int64_t tell() override {
    LARGE_INTEGER zero, here;
    zero.QuadPart = 0;
    return SetFilePointerEx(file_.get(), zero, &here, FILE_CURRENT) ? here.QuadPart : -1;
  }
  int64_t size() override {
    LARGE_INTEGER bytes;
    return GetFileSizeEx(file_.get(), &bytes) ? bytes.QuadPart : 0;
  }
  bool truncate_here() override { return SetEndOfFile(file_.get()) != 0; }
  bool flush() override { return FlushFileBuffers(file_.get()) != 0; }

 private:
  OwnedHandle file_;
};

HANDLE create_file(const std::string& path, FileAccess access) {
  DWORD rights = GENERIC_READ, share = FILE_SHARE_READ | FILE_SHARE_WRITE, disposition = OPEN_EXISTING;
  if (access == FileAccess::kReadDenyWrite) {
    share = FILE_SHARE_READ;
  } else if (access == FileAccess::kUpdateShared) {
    rights = GENERIC_READ | GENERIC_WRITE;
    disposition = OPEN_ALWAYS;
  } else if (access == FileAccess::kCreateReadShared) {
    rights = GENERIC_READ | GENERIC_WRITE;
    share = FILE_SHARE_READ;
    disposition = CREATE_ALWAYS;
  }
  return CreateFileA(path.c_str(), rights, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::unique_ptr<BinaryFile> adopt_file_handle(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return nullptr;
  return std::unique_ptr<BinaryFile>(new WindowsFile(handle));
}

std::unique_ptr<BinaryFile> open_binary_file(const std::string& path, FileAccess access) {
  HANDLE handle = create_file(path, access);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return std::unique_ptr<BinaryFile>(new WindowsFile(handle));
}

// The core's files cannot reach open_file_retrying (win/files_win.h lives in the
// Windows library); this is the same schedule.
std::unique_ptr<BinaryFile> open_binary_file_waiting(const std::string& path, FileAccess access, uint32_t budget_ms) {
  RetrySchedule schedule(budget_ms);
  for (;;) {
    HANDLE handle = create_file(path, access);
    if (handle != INVALID_HANDLE_VALUE) return std::unique_ptr<BinaryFile>(new WindowsFile(handle));
    uint32_t wait_ms = 0;
    if (GetLastError() != ERROR_SHARING_VIOLATION || !schedule.next_wait(&wait_ms)) return nullptr;
    Sleep(wait_ms);
  }
}

bool replace_file(const std::string& replacement, const std::string& target) {
  return MoveFileExA(replacement.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// The creation time is set on the replacement before the move; the attributes after
// it, since a read-only replacement could not be moved over the target.
bool replace_file_keeping_attributes(const std::string& replacement, const std::string& target) {
  WIN32_FILE_ATTRIBUTE_DATA old;
  bool known = GetFileAttributesExA(target.c_str(), GetFileExInfoStandard, &old) != 0;
  if (known) {
    OwnedHandle file(CreateFileA(replacement.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
    if (file.valid()) SetFileTime(file.get(), &old.ftCreationTime, nullptr, nullptr);
  }
  if (!replace_file(replacement, target)) return false;
  if (known) SetFileAttributesA(target.c_str(), old.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
  return true;
}

bool remove_file(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

}  // namespace vt
