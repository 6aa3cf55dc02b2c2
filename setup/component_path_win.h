// Where an installed component (an outside executable the recorder runs, such
// as the MP3 encoder mp3el) lives.
#pragma once
#include <string>

namespace vt {

// The `Path` value under Software\Ardentine\Components\<name>, the machine's
// entry before the user's; empty when the component is not installed.
std::string component_path(const char* name);

}  // namespace vt
