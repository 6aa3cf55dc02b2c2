// Companion programs: the maker's separate applications that the recorder starts
// with a recording. Each registers a command template (one %s for the argument)
// under Software\Ardentine\<registry name>\Settings; when it is missing, its setup
// program is fetched from the component servers.
#pragma once
#include <string>

namespace vt {

struct Companion {
  const char* registry_name;  // key under Software\Ardentine
  const char* command_value;  // value under that key's Settings subkey
  const char* setup_name;     // <setup name>.exe on the component servers
  const char* display_name;   // in messages, and "Run <display name>" as caption
  const char* web_page;       // page on the maker's site, for downloading by hand
};

static const Companion kAudioEditor = {"Trimwell", "RunEdit", "trimsetup", "Trimwell", "trimwell/index"};
static const Companion kCdBurner = {"Discwright", "CopyCD", "discsetup", "Discwright", "discwright/index"};
static const Companion kCdRipper = {"Tracklift", "ExtractCD", "liftsetup", "Tracklift", "tracklift/index"};
static const Companion kFormatConverter = {"Formatory", "Convert", "formsetup", "Formatory", "formatory/index"};

// Commands of the main window's "Lancer" menu.
static const int kMenuLaunchAudioEditor = 1011;
static const int kMenuLaunchCdBurner = 1012;
static const int kMenuLaunchCdRipper = 1013;
static const int kMenuLaunchFormatConverter = 1014;

// One launch: which companion, with what, and whether the recorder waits for it.
struct CompanionLaunch {
  Companion companion;
  std::string argument;  // goes into the template's %s; empty when none
  bool wait;             // keep the progress dialog up until the companion exits
};

// A "Lancer" menu command. `selected_path` is the recordings list's first selected
// row, or empty when the list is closed or nothing is selected: then the companion
// starts with no argument and the recorder does not wait. The editor gets the path
// as it is; the burner and the converter get it in double quotes. False for a
// command that is not one of the four.
bool menu_launch(int command_id, const std::string& selected_path, CompanionLaunch* launch);
// The recordings list's commands: Edit (the row's path), Copy to CD (the switch text
// the list builds), Convert (one row's path). All wait for the companion.
CompanionLaunch edit_launch(const std::string& path);
CompanionLaunch copy_to_cd_launch(const std::string& switch_text);
CompanionLaunch convert_launch(const std::string& path);

// "Run <display name>".
std::string launch_caption(const Companion& companion);

}  // namespace vt
