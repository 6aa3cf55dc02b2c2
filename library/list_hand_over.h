// What the recordings list hands to outside programs: the CD burner's list file and
// switches, and paths as single command-line arguments.
#pragma once
#include <string>
#include <vector>

#include "formats/recording_formats.h"

namespace vt {

static const char kBurnerListFileName[] = "vtburn.txt";

// `text` as one command-line argument: in double quotes.
std::string quoted_argument(const std::string& text);
// Every path followed by "\r\n".
std::string burner_list_text(const std::vector<std::string>& paths);
// " -type audio -list <list file>" or " -type data -list <list file>", the list
// file's path quoted.
std::string burner_switches(bool audio_cd, const std::string& list_path);

// Where a save-as writes before the finished file takes the target's place: beside
// the target, so that the final move stays on one volume.
std::string save_work_path(const std::string& target);
// The recording format save-as writes, by the target's extension without regard to
// case; kNoRecordingFormat for a format save-as does not write.
int save_format_of(const std::string& target);

}  // namespace vt
