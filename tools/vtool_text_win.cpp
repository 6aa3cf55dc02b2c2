#include "tools/vtool_text.h"

namespace vt {

std::string tag_text_for_console(const std::string& text) { return text; }
std::string tag_text_from_console(const std::string& text) { return text; }

}  // namespace vt
