// The program's text is Windows-1252; tags of other programs also hold UTF-16 and
// UTF-8. Characters the code page cannot hold become '?'.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace vt {

// UTF-8 text in the program's code page; text that is not valid UTF-8 is kept as
// its bytes.
std::string text_from_utf8(const std::string& utf8);
// UTF-16 text (`big_endian` when no byte-order mark says otherwise) up to its end or
// to a zero character.
std::string text_from_utf16(const uint8_t* data, size_t bytes, bool big_endian);
// The program's text as UTF-16, little-endian, after a byte-order mark.
std::string utf16le_from_text(const std::string& text);
// The program's text as UTF-8 (for the console of the Linux build and for tests).
std::string utf8_from_text(const std::string& text);

}  // namespace vt
