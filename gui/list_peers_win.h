// The two windows the recordings list opens for a recording: the player panel and
// the tag editor.
#pragma once
#include <windows.h>

#include <string>

namespace vt {

// Plays the recording in the player panel over `owner` (modal); the panel's result,
// 0 when it could not play the file. While a panel is open the recording is played in
// it instead, and the call returns at once: panels never nest.
int play_in_panel(HWND owner, const std::string& name, const std::string& path);
// Edits the recording's tags over `owner` (modal).
void edit_recording_tags(HWND owner, const std::string& path);

}  // namespace vt
