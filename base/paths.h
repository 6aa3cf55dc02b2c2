// Path text shared by every subsystem. Paths are at most 259 characters.
#pragma once
#include <string>

namespace vt {

constexpr size_t kMaxPathChars = 259;

// Appends `part` after a backslash unless `path` is empty or already ends in
// '\' or '/'; the result is cut at kMaxPathChars.
std::string join_path(const std::string& path, const std::string& part);

// The folder part of a path (up to, not including, the last '\' or '/'), and the file part.
std::string folder_of(const std::string& path);
std::string file_name_of(const std::string& path);

}  // namespace vt
