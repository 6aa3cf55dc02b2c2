// Names and paths of new recordings on this computer: the system clock, the disk and
// the settings behind the portable name patterns, and the name prompt before recording.
#pragma once
#include <windows.h>

#include <string>

#include "recorder/name_pattern.h"
#include "recorder/recorder_neighbours.h"

namespace vt {

// The local clock, the file system, OutputFolder and Format.
class SystemNamingEnvironment : public NamingEnvironment {
 public:
  LocalTime now() const override;
  bool file_exists(const std::string& path) const override;
  std::string destination_folder() const override;
  int format_index() const override;
};

// OutputFolder, or the default output folder (which is created on every call).
std::string destination_folder();
// The destination folder, the name and the format's extension, at most 259 characters.
std::string recording_path(const std::string& name, int format_index);
// expand_name_pattern at the present time against the destination folder and Format.
std::string expand_name_pattern(const std::string& pattern);

// Chooses the name of the next recording: asks for it when PromptForName is set,
// otherwise expands FileNameFormat; asks before an existing recording is replaced
// (one the list shows, or a file on disk). True with the full path, false when the
// user gave up (no recording). `list` may be null.
bool new_recording_name(HWND owner, RecordingsList* list, std::string* path);

// The name of a recording the recorder goes on with by itself (no one to ask): the
// pattern, numbered " (2)", " (3)"... when its file exists already, so that nothing is
// replaced. False when no free name is found.
bool resume_recording_path(std::string* path);
// The same for a pattern of one's own (a scheduled recording's).
bool free_recording_path(const std::string& pattern, std::string* path);

}  // namespace vt
