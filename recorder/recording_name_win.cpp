#include "recorder/recording_name_win.h"

#include "recorder/recorder_rules.h"
#include "win/settings_win.h"
#include "formats/recording_formats.h"
#include "ui/text_edit_dlg_win.h"

namespace vt {

namespace {

const char* format_name(int format_index) {
  const RecordingFormatRow* format = recording_format(format_index);
  return format ? format->name : "";
}

// The list answers for the files it shows; the disk is asked as well, so that an
// existing recording is never replaced without a question while the list is closed.
bool recording_exists(RecordingsList* list, const std::string& name, int format_index) {
  if (list && list->has_row(name, format_name(format_index))) return true;
  DWORD attributes = GetFileAttributesA(recording_path(name, format_index).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int ask_replace(HWND owner) {
  return MessageBoxA(owner, "Un fichier de même nom et format existe déjà. Voulez vous le remplacer? ",
                     "Le Fichier Existe", MB_YESNOCANCEL | MB_ICONQUESTION);
}

}  // namespace

LocalTime SystemNamingEnvironment::now() const {
  SYSTEMTIME time;
  GetLocalTime(&time);
  return LocalTime{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

bool SystemNamingEnvironment::file_exists(const std::string& path) const {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string SystemNamingEnvironment::destination_folder() const { return vt::destination_folder(); }

int SystemNamingEnvironment::format_index() const { return read_setting(kFormat); }

std::string destination_folder() { return output_folder(); }

std::string recording_path(const std::string& name, int format_index) {
  return recording_path_in(destination_folder(), name, format_index);
}

std::string expand_name_pattern(const std::string& pattern) {
  SystemNamingEnvironment environment;
  return expand_name_pattern(pattern, environment);
}

bool new_recording_name(HWND owner, RecordingsList* list, std::string* path) {
  int format_index = read_setting(kFormat);
  std::string name;
  if (read_setting(kPromptForName)) {
    std::string typed;
    for (;;) {
      if (!ask_for_text(owner, "Entrez le Nom de Fichier", &typed)) return false;
      name = sanitize_file_name(typed);
      if (name.empty()) {
        MessageBoxA(owner, "Le nom doit comporter du texte.", "Nom Invalide", MB_OK | MB_ICONINFORMATION);
        continue;
      }
      if (!recording_exists(list, name, format_index)) break;
      int answer = ask_replace(owner);
      if (answer == IDYES) break;
      if (answer != IDNO) return false;
    }
  } else {
    name = expand_name_pattern(read_setting(kFileNameFormat));
    // A stored pattern made only of dropped characters (the options page refuses it,
    // the registry need not) leaves nothing to name a file by: the default pattern does.
    if (name.empty()) name = expand_name_pattern(kFileNameFormat.default_value);
    if (name.empty() || (recording_exists(list, name, format_index) && ask_replace(owner) != IDYES)) return false;
  }
  *path = recording_path(name, format_index);
  return true;
}

bool resume_recording_path(std::string* path) { return free_recording_path(read_setting(kFileNameFormat), path); }

bool free_recording_path(const std::string& pattern, std::string* path) {
  const int format_index = read_setting(kFormat);
  std::string name = expand_name_pattern(pattern);
  if (name.empty()) name = expand_name_pattern(kFileNameFormat.default_value);
  if (name.empty()) return false;
  std::string candidate = recording_path(name, format_index);
  for (int number = 2; GetFileAttributesA(candidate.c_str()) != INVALID_FILE_ATTRIBUTES; ++number) {
    if (number > 999) return false;
    candidate = recording_path(numbered_name(name, number), format_index);
  }
  *path = candidate;
  return true;
}

}  // namespace vt
