#include "tags/file_rewrite.h"

#include <algorithm>
#include <vector>

namespace vt {

FileRewrite::FileRewrite(const std::string& path) : path_(path), temporary_(path + ".vtnew") {
  out_ = open_binary_file(temporary_, FileAccess::kCreateReadShared);
  created_ = out_ != nullptr;
}

FileRewrite::~FileRewrite() {
  out_.reset();
  if (created_ && !committed_) remove_file(temporary_);
}

bool FileRewrite::copy(BinaryFile& in, int64_t begin, int64_t end) {
  if (!out_ || !in.seek(begin)) return false;
  std::vector<uint8_t> block(1 << 16);
  while (begin < end) {
    int want = static_cast<int>(std::min<int64_t>(end - begin, static_cast<int64_t>(block.size())));
    if (!read_exactly(in, block.data(), want) || !out_->write(block.data(), want)) return false;
    begin += want;
  }
  return true;
}

bool FileRewrite::commit() {
  if (!out_) return false;
  out_.reset();
  if (!replace_file(temporary_, path_)) return false;
  committed_ = true;
  return true;
}

}  // namespace vt
