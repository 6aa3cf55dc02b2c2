#include "base/paths.h"

namespace vt {

std::string join_path(const std::string& path, const std::string& part) {
  std::string result = path.size() > kMaxPathChars ? path.substr(0, kMaxPathChars) : path;
  if (!result.empty() && result.back() != '\\' && result.back() != '/') result += '\\';
  result += part;
  if (result.size() > kMaxPathChars) result.resize(kMaxPathChars);
  return result;
}

std::string folder_of(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string file_name_of(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace vt
