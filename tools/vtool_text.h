// Tag text (Windows-1252) to and from the console: UTF-8 on Linux; on Windows the
// arguments already are in the program's code page and `console_text` does the rest.
#pragma once
#include <string>

namespace vt {

std::string tag_text_for_console(const std::string& text);
std::string tag_text_from_console(const std::string& text);

}  // namespace vt
