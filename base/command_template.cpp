#include "base/command_template.h"

namespace vt {

std::string format_command(const std::string& command_template, const std::string& argument) {
  std::string line;
  bool argument_placed = false;
  for (size_t i = 0; i < command_template.size(); ++i) {
    char c = command_template[i];
    char next = i + 1 < command_template.size() ? command_template[i + 1] : '\0';
    if (c == '%' && next == '%') {
      line += '%';
      ++i;
    } else if (c == '%' && next == 's' && !argument_placed) {
      line += argument;
      argument_placed = true;
      ++i;
    } else {
      line += c;
    }
  }
  return line;
}

}  // namespace vt
