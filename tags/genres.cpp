#include "tags/genres.h"

#include <cctype>
#include <cstdlib>

#include "tags/tag_tables.h"

namespace vt {

std::string genre_name(int code) {
  return code >= 0 && code < kGenreCount ? kGenreNames[code] : std::string();
}

int genre_code(const std::string& name) {
  int found = -1;
  for (int code = 0; code < kGenreCount; ++code) {
    const char* candidate = kGenreNames[code];
    size_t i = 0;
    while (i < name.size() && candidate[i] &&
           std::tolower(static_cast<unsigned char>(name[i])) == std::tolower(static_cast<unsigned char>(candidate[i])))
      ++i;
    if (i == name.size() && !candidate[i]) found = code;
  }
  return found;
}

namespace {

bool all_digits(const std::string& text) {
  if (text.empty() || text.size() > 3) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

// Other taggers write ID3v1 codes into the genre frame; shown as they are, the editor
// would find no name and store "Blues" over the file's genre.
std::string genre_from_id3v2(const std::string& text) {
  if (all_digits(text)) {
    std::string name = genre_name(std::atoi(text.c_str()));
    return name.empty() ? text : name;
  }
  if (text.size() < 3 || text[0] != '(') return text;
  size_t close = text.find(')');
  if (close == std::string::npos) return text;
  std::string inside = text.substr(1, close - 1), rest = text.substr(close + 1);
  if (!rest.empty() && rest[0] != '(') return rest;  // a refinement names the genre itself
  if (inside == "RX") return "Remix";
  if (inside == "CR") return "Cover";
  if (!all_digits(inside)) return text;
  std::string name = genre_name(std::atoi(inside.c_str()));
  return name.empty() ? text : name;
}

}  // namespace vt
