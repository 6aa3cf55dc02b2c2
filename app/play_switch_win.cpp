#include "app/play_switch_win.h"

#include "base/paths.h"
#include "gui/play_dlg_win.h"
#include "player/player_settings.h"
#include "win/settings_win.h"

namespace vt {

void PanelOnlyList::play(const std::string& file) {
  std::string path = file;
  if (file.find_first_of("\\/:") == std::string::npos) path = join_path(output_folder(), file);
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  pending_ = path;
  // The panel runs its own loop: open it from the message loop, not inside the switch
  // handling, so that a copy forwarding -play is not held until the panel closes.
  notifier_.post();
}

void PanelOnlyList::on_notify() {
  if (showing_ || pending_.empty()) return;
  const std::string path = pending_;
  pending_.clear();
  showing_ = true;
  {
    PlayItem item(file_name_of(path), path);
    RegistrySection settings(Hive::Machine, kPlayerSettingsSection);
    PlayDialog panel(item, settings);
    panel.show(owner_);
  }
  showing_ = false;
  if (!pending_.empty()) notifier_.post();
}

}  // namespace vt
