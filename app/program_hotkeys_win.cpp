#include "app/program_hotkeys_win.h"

#include "base/product_name.h"
#include "gui/record_setting_wizard_win.h"
#include "win/settings_win.h"

namespace vt {

void ProgramHotkeys::register_all() {
  RegistrySection keys(Hive::User, kSectionKeys);
  std::vector<int32_t> refused = hotkeys_.register_all(main_.window(), keys);
  const bool at_start = !started_;
  started_ = true;
  if (refused.empty()) return;
  if (at_start) {
    refused_at_start_ = refused;
    return;
  }
  MessageBoxA(main_.window(), refused_hotkeys_text(refused).c_str(), kProductName,
              MB_OK | MB_ICONWARNING);
}

std::string ProgramHotkeys::take_refusal_notice() {
  if (refused_at_start_.empty()) return std::string();
  std::string text = refused_hotkeys_text(refused_at_start_);
  refused_at_start_.clear();
  return text;
}

void ProgramHotkeys::unregister_all() { hotkeys_.unregister_all(); }

void ProgramHotkeys::on_hotkey(int identifier, HotkeyCommands& commands) {
  if (running_ || !hotkey_may_run(main_.window())) return;
  RegistrySection keys(Hive::User, kSectionKeys);
  running_ = true;
  run_hotkey_command(SystemHotkeys::command_for(keys, identifier), commands);
  running_ = false;
}

void ProgramSetupWizard::run() {
  if (recorder_.engine_running()) {
    refuse_setup_wizard(main_.window());
    return;
  }
  run_record_setting_wizard(main_.window());
}

}  // namespace vt
