#include "gui/list_peers_win.h"

#include "gui/play_dlg_win.h"
#include "gui/tag_editor_win.h"
#include "player/player_settings.h"
#include "win/settings_win.h"

namespace vt {

int play_in_panel(HWND owner, const std::string& name, const std::string& path) {
  PlayItem item(name, path);
  item.flags = 1;  // the name box is read-only
  RegistrySection settings(Hive::Machine, kPlayerSettingsSection);
  PlayDialog panel(item, settings);
  return panel.show(owner);
}

void edit_recording_tags(HWND owner, const std::string& path) { edit_tags(owner, path); }

}  // namespace vt
