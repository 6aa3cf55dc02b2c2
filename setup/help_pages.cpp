#include "setup/help_pages.h"

namespace vt {
namespace {

const size_t kMaxPages = 1000;
const size_t kMaxNameLength = 64;

bool take(const std::string& data, size_t* at, size_t count, uint32_t* value) {
  if (data.size() - *at < count) return false;
  uint32_t v = 0;
  for (size_t i = 0; i < count; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(data[*at + i])) << (8 * i);
  *at += count;
  *value = v;
  return true;
}

}  // namespace

bool is_safe_page_name(const std::string& name) {
  if (name.empty() || name.size() > kMaxNameLength || name[0] == '.') return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                    c == '-' || c == '.';
    if (!ok) return false;
  }
  return true;
}

bool read_page_bundle(const std::string& data, std::vector<BundledPage>* out) {
  out->clear();
  std::vector<BundledPage> read;
  std::vector<BundledPage>* pages = &read;
  if (data.compare(0, 4, "VTHP") != 0) return false;
  size_t at = 4;
  uint32_t count = 0;
  if (!take(data, &at, 4, &count) || count == 0 || count > kMaxPages) return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t name_length = 0, size = 0;
    if (!take(data, &at, 2, &name_length) || data.size() - at < name_length) return false;
    BundledPage page;
    page.name = data.substr(at, name_length);
    at += name_length;
    if (!is_safe_page_name(page.name) || !take(data, &at, 4, &size) || data.size() - at < size) return false;
    // Names differ without regard to case: they become files of one Windows folder.
    for (const BundledPage& earlier : *pages) {
      if (earlier.name.size() != page.name.size()) continue;
      bool same = true;
      for (size_t k = 0; k < page.name.size() && same; ++k)
        same = (page.name[k] | 0x20) == (earlier.name[k] | 0x20);
      if (same) return false;
    }
    page.bytes = data.substr(at, size);
    at += size;
    pages->push_back(std::move(page));
  }
  if (at != data.size()) return false;
  out->swap(read);
  return true;
}

}  // namespace vt
