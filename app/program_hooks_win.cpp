#include "app/program_hooks_win.h"

#include "gui/options_sheet_win.h"
#include "setup/companions_win.h"

namespace vt {

const WebMenuEntry kWebMenuEntries[] = {
    {"Page d'accueil de Vocatrack", "vocatrack/index"},
    {"Guides d'enregistrement", "vocatrack/guides"},
    {"Assistance technique", "support/index"},
    {"Trimwell, l'éditeur audio", "trimwell/index"},
    {"Discwright, la gravure de CD", "discwright/index"},
    {"Nos autres logiciels", "products/index"},
};
const int kWebMenuEntryCount = sizeof kWebMenuEntries / sizeof kWebMenuEntries[0];

bool ProgramHooks::show_options(int first_page) {
  return show_options_dialog(owner_, first_page, this) == OptionsOutcome::kExitRequested;
}

void ProgramHooks::launch_companion(int menu_id) { launch_from_menu(menu_id, std::string(), owner_); }

void ProgramHooks::open_web_page(int index) {
  if (index >= 0 && index < kWebMenuEntryCount) vt::open_web_page(kWebMenuEntries[index].page);
}

void ProgramHooks::show_about() {
  MessageBoxA(owner_, "Vocatrack Sound Recorder 2.01\r\n\r\nL'enregistreur de sons pour Windows.", "A propos de...",
              MB_OK | MB_ICONINFORMATION);
}

}  // namespace vt
