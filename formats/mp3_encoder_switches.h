// The MP3 group of the command switches: after `-record mp3`, or after the path
// of a `.mp3` file given to `-recordfile`, the encoder settings can follow:
//   -cbr [-b RATE] [-h] [-m MODE] [-p]
//   -vbr [-b MIN] [-B MAX] [-q QUALITY] [-m MODE] [-p]
#pragma once
#include <string>
#include <vector>

#include "base/settings_section.h"
#include "formats/mp3_encoder.h"

namespace vt {

// Reads the group starting at args[first] into `settings`. When the group
// completes, the eight settings are saved to `store`; when the arguments run
// out first, what was read stays in `settings` only. Returns the index of the
// first argument after the group.
size_t read_mp3_switch_group(const std::vector<std::string>& args, size_t first,
                             EncoderSettings& settings, SettingsSection& store);

}  // namespace vt
