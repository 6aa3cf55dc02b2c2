#include "library/list_hand_over.h"

#include "base/paths.h"

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

SaveKind save_kind_of(const std::string& target) {
  std::string file = file_name_of(target);
  size_t dot = file.rfind('.');
  if (dot == std::string::npos) return kSaveNothing;
  std::string extension = file.substr(dot);
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (extension == ".wav") return kSaveWav;
  if (extension == ".mp3") return kSaveMp3;
  return kSaveNothing;
}

}  // namespace vt
