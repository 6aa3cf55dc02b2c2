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

Outcome FileRewrite::copy(BinaryFile& in, int64_t begin, int64_t end, ProgressDisplay* progress) {
  if (!out_ || !in.seek(begin)) return Outcome::kFailed;
  std::vector<uint8_t> block(1 << 20);
  int64_t first = begin;
  while (begin < end) {
    int want = static_cast<int>(std::min<int64_t>(end - begin, static_cast<int64_t>(block.size())));
    if (!read_exactly(in, block.data(), want) || !out_->write(block.data(), want)) return Outcome::kFailed;
    begin += want;
    if (progress) {
      progress->set_progress_fraction(double(begin - first) / double(end - first));
      if (progress->pump_and_check_cancel()) return Outcome::kStopped;
    }
  }
  return Outcome::kDone;
}

bool FileRewrite::commit() {
  if (!out_ || !out_->flush()) return false;
  out_.reset();
  if (!replace_file_keeping_attributes(temporary_, path_)) return false;
  committed_ = true;
  return true;
}

}  // namespace vt
