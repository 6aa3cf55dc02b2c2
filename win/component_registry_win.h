// Components: outside executables the program runs itself (the MP3 encoder mp3el),
// registered by their setup programs under Software\Ardentine\Components\<name>,
// value Path.
#pragma once
#include <string>

namespace vt {

// The component's executable: the machine's entry before the user's; empty when
// the component is not installed.
std::string component_path(const char* name);

}  // namespace vt
