// Companion command lines: a registered template with one %s for the argument.
#pragma once
#include <string>

namespace vt {

// The template with its first "%s" replaced by `argument` and "%%" by "%"; any other
// '%' (a second "%s", "%d", a lone '%') is copied as it stands, so that a template
// written by someone else can never make the formatting read what is not there.
std::string format_command(const std::string& command_template, const std::string& argument);

}  // namespace vt
