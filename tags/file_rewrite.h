// A tag write never leaves a half-written recording: the new file is made beside the
// old one and takes its place only once it is complete.
#pragma once
#include <memory>
#include <string>

#include "audio/transforms.h"
#include "base/binary_file.h"

namespace vt {

// How long a tag operation waits for another program to let go of the file.
constexpr uint32_t kTagFileBudgetMs = 1000;

class FileRewrite {
 public:
  explicit FileRewrite(const std::string& path);
  ~FileRewrite();  // removes the new file unless it was committed
  FileRewrite(const FileRewrite&) = delete;
  FileRewrite& operator=(const FileRewrite&) = delete;

  // The new file, or null when it could not be created.
  BinaryFile* out() { return out_.get(); }
  // Appends bytes [begin, end) of `in`: kStopped when cancelled through `progress`
  // (may be null), kFailed on a short read or a failed write.
  Outcome copy(BinaryFile& in, int64_t begin, int64_t end, ProgressDisplay* progress = nullptr);
  // Flushes and closes the new file and puts it in the old one's place, with the old
  // one's attributes and creation time.
  bool commit();

 private:
  std::string path_, temporary_;
  std::unique_ptr<BinaryFile> out_;
  bool created_ = false;
  bool committed_ = false;
};

}  // namespace vt
