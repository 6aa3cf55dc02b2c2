// The digest a component server publishes beside a setup program (<name>.exe.sha256)
// and the check of a downloaded program against it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace vt {

// The published text holds at most this many bytes; more is not a digest file.
constexpr size_t kDigestFileLimit = 4096;

// Reads the digest meant for `file_name` from the text of a digest file: the 64
// hexadecimal digits alone, or lines in sha256sum's form ("<hex>  <name>" or
// "<hex> *<name>"), where the line naming the file (case ignored, any folder before
// the name dropped) counts. False when no such digest is there.
bool parse_published_digest(const std::string& text, const std::string& file_name, uint8_t digest[32]);

}  // namespace vt
