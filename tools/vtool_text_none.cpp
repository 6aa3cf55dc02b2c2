#include "tags/tag_text.h"
#include "tools/vtool_text.h"

namespace vt {

std::string tag_text_for_console(const std::string& text) { return utf8_from_text(text); }
std::string tag_text_from_console(const std::string& text) { return text_from_utf8(text); }

}  // namespace vt
