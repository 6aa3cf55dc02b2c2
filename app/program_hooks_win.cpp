#include "app/program_hooks_win.h"

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

void open_web_menu_page(int index) {
  if (index >= 0 && index < kWebMenuEntryCount) open_web_page(kWebMenuEntries[index].page);
}

void show_about_box(HWND owner) {
  MessageBoxA(owner, "Vocatrack Sound Recorder 2.01\r\n\r\nL'enregistreur de sons pour Windows.", "A propos de...",
              MB_OK | MB_ICONINFORMATION);
}

}  // namespace vt
