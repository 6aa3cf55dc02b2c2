#include "gui/list_peers_win.h"

#include <memory>

#include "gui/play_dlg_win.h"
#include "gui/tag_editor_win.h"
#include "player/player_settings.h"
#include "win/settings_win.h"

namespace vt {

namespace {

// The panel runs its own message loop, in which the list can be asked to play again
// (a forwarded -play): that request goes to the panel already open.
PlayDialog* g_open_panel = nullptr;

}  // namespace

int play_in_panel(HWND owner, const std::string& name, const std::string& path) {
  if (g_open_panel) {
    std::unique_ptr<PlayItem> next(new PlayItem(name, path));
    next->flags = 1;
    g_open_panel->switch_to(std::move(next));
    return 1;
  }
  PlayItem item(name, path);
  item.flags = 1;  // the name box is read-only
  RegistrySection settings(Hive::Machine, kSectionPlayer);
  PlayDialog panel(item, settings);
  g_open_panel = &panel;
  int result = panel.show(owner);
  g_open_panel = nullptr;
  return result;
}

void edit_recording_tags(HWND owner, const std::string& path) { edit_tags(owner, path); }

}  // namespace vt
