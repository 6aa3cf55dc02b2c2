#include "gui/list_peers_win.h"

namespace vt {

namespace {

void not_available(HWND owner) {
  MessageBoxA(owner, "Cette fonction n'est pas disponible dans cette version.", "Vocatrack Sound Recorder",
              MB_OK | MB_ICONINFORMATION);
}

}  // namespace

int play_in_panel(HWND owner, const std::string& name, const std::string& path) {
  not_available(owner);
  return 1;
}

void edit_recording_tags(HWND owner, const std::string& path) { not_available(owner); }

}  // namespace vt
