// Where the installer puts things and the uninstaller takes them away again.
#pragma once
#include <string>

namespace vt {

static const char kProductName[] = "Vocatrack Sound Recorder";
static const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vocatrack";
static const char kProgramShortcutName[] = "Vocatrack Sound Recorder.lnk";
static const char kHelpShortcutName[] = "Vocatrack Sound Recorder Aide.lnk";
static const char kEncoderComponent[] = "mp3el";
static const char kComponentsKey[] = "Software\\Ardentine\\Components";
static const char kRunTemplateValue[] = "RunVocatrack";

// <Program Files> from the machine's ProgramFilesDir, "C:\Program Files" by default.
std::string program_files_folder();
// <Program Files>\Ardentine\Vocatrack, not created.
std::string installation_folder();
// <Program Files>\Ardentine\Components\mp3el.
std::string encoder_component_folder();
// <Common Programs>\Vocatrack Sound Recorder, else the user's Programs folder with the
// same subfolder; empty when neither shell folder is known.
std::string shortcut_folder();
// Common Desktop, else the user's Desktop, else "c:\Windows\Desktop".
std::string desktop_folder();

// A shell link at `link_path` to `target`, started in the target's folder.
bool create_shortcut(const std::string& link_path, const std::string& target, const std::string& description);

// Creates each missing level of a folder path; true when it exists at the end.
bool create_folder_path(const std::string& folder);

}  // namespace vt
