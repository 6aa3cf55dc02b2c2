// Save as: a recording saved under another name, as WAV in a codec format of the
// user's choice or as MP3 through the encoder component.
#pragma once
#include <windows.h>

#include <string>

namespace vt {

// Asks for the target and its format over `owner` and writes it inside a progress
// task. The target is written under a work name and takes the place of an existing
// file only once complete; the source itself is never a target.
void save_recording_as(HWND owner, const std::string& source_path);

}  // namespace vt
