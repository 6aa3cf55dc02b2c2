// File names of new recordings: the name pattern language, file-name cleaning and the
// path of a recording in the destination folder. Portable; the Windows side supplies
// the clock, the disk and the settings through NamingEnvironment.
#pragma once
#include <string>

namespace vt {

// Local time, taken once per expansion.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// What an expansion needs from outside: the clock, the disk and two settings.
class NamingEnvironment {
 public:
  virtual ~NamingEnvironment() = default;
  virtual LocalTime now() const = 0;
  virtual bool file_exists(const std::string& path) const = 0;
  virtual std::string destination_folder() const = 0;
  virtual int format_index() const = 0;  // the setting Format: 0 WAV, 1 MP3, 2 AIFF
};

// The counter token and the seconds token as the user writes them.
static const char kCounterToken[] = "%autonumber%";
static const char kSecondsToken[] = "%SS%";

// Drops '"' '*' '.' '/' ':' '<' '>' '?' '\' '|', control characters and every byte of
// 0x80 and above (so accented letters vanish); keeps at most 259 characters.
std::string sanitize_file_name(const std::string& text);

// folder + '\' (unless the folder is empty or ends in '\' or '/') + name + extension,
// cut at 259 characters.
std::string recording_path_in(const std::string& folder, const std::string& name, int format_index);

// The pattern with its tokens replaced, cleaned as a file name (at most 259 characters).
std::string expand_name_pattern(const std::string& pattern, const NamingEnvironment& environment);

// What the output options page says of a pattern before saving it.
enum class PatternCheck {
  kValid,
  kEmpty,             // nothing typed
  kTextAfterCounter,  // something follows the first counter token
  kNoCounterOrSeconds,
};
PatternCheck check_name_pattern(const std::string& pattern);

// The drive part of a folder whose free space is checked: its text up to and including
// the first '\' or '/' (the whole text when it has none).
std::string drive_of_folder(const std::string& folder);
// The text before a folder's last '\' or '/', empty when it has none.
std::string parent_of_folder(const std::string& folder);

// Case-insensitive comparison of ASCII paths and names, as the file system compares them.
bool same_text_ignoring_case(const std::string& a, const std::string& b);

}  // namespace vt
