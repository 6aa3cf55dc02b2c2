// Names of the recording formats and of the MP3 channel modes.
#pragma once

namespace vt {

constexpr int kRecordingFormatCount = 3;
// By the index of the setting `Format` (0 WAV, 1 MP3, 2 AIFF): file extensions and
// the short names used in the format line. Source: the program's format table.
static const char* const kRecordingFormatExtensions[kRecordingFormatCount] = {".wav", ".mp3", ".aif"};
static const char* const kRecordingFormatShortNames[kRecordingFormatCount] = {"Wav", "Mp3", "AIFF"};

constexpr int kChannelModeCount = 4;
// MP3 channel modes by index (stereo, joint stereo, forced stereo, mono), as shown to the user.
static const char* const kChannelModeNames[kChannelModeCount] = {"Stéréo", "Raccordement", "Force", "Mono"};

}  // namespace vt
