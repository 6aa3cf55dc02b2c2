#include "library/list_hand_over.h"

#include "base/paths.h"
#include "formats/recording_formats.h"

namespace vt {

std::string quoted_argument(const std::string& text) { return "\"" + text + "\""; }

std::string burner_list_text(const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths) text += path + "\r\n";
  return text;
}

std::string burner_switches(bool audio_cd, const std::string& list_path) {
  return std::string(audio_cd ? " -type audio -list " : " -type data -list ") + quoted_argument(list_path);
}

std::string save_work_path(const std::string& target) {
  return join_path(folder_of(target), "~vtsave.tmp");
}

int save_format_of(const std::string& target) {
  const int format = format_of_path(target);
  return recording_format(format) && recording_format(format)->save_as ? format : kNoRecordingFormat;
}

}  // namespace vt
