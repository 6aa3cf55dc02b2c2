// The HTML help pages travel in the installer as one payload file, a bundle made by
// scripts/make_help.py beside app.hlp: "VTHP", a 32-bit file count, then per file a
// 16-bit name length, the name, a 32-bit size and the bytes (little-endian). The
// installer unpacks it into the folder kHelpPagesFolder (ui/help_contexts.h) of the
// installation folder.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vt {

struct BundledPage {
  std::string name;
  std::string bytes;
};

// A name the bundle may carry: 1 to 64 letters, digits, '_', '-' or '.', not
// starting with '.', so a page can never land outside its folder.
bool is_safe_page_name(const std::string& name);

// False for anything but a whole, well-formed bundle of safe, distinct names.
bool read_page_bundle(const std::string& data, std::vector<BundledPage>* pages);

}  // namespace vt
