#include "setup/components_win.h"

#include "win/settings_win.h"
#include "setup/server_addresses.h"
#include "setup/setup_fetch_win.h"
#include "ui/progress_task_win.h"

namespace vt {
namespace {

// How long a setup program started without waiting gets to enter what it installed:
// 50 looks, 200 ms apart.
const int kRegistrationPolls = 50;
const DWORD kRegistrationPollMs = 200;

class ComponentInstallTask : public ProgressTask {
 public:
  ComponentInstallTask(const char* name, HWND owner, const char* caption)
      : ProgressTask(caption), name_(name), owner_(owner) {}
  bool run() override {
    result = install();
    return result == Outcome::kDone;
  }

 private:
  Outcome install();

  const char* name_;
  HWND owner_;
};

Outcome ComponentInstallTask::install() {
  if (!component_path(name_).empty()) return Outcome::kDone;
  Outcome fetched = fetch_and_run_setup(this, name_);
  if (fetched == Outcome::kStopped) return Outcome::kStopped;
  if (fetched == Outcome::kDone) {
    // The setup program runs on its own; its entry appears when it has finished.
    for (int poll = 0; poll < kRegistrationPolls; ++poll) {
      if (!component_path(name_).empty()) return Outcome::kDone;
      if (wait_with_messages(this, kRegistrationPollMs)) return Outcome::kStopped;
    }
  }
  if (!component_path(name_).empty()) return Outcome::kDone;
  std::string text = std::string("Vocatrack Sound RecorderImpossible d'installer le composant à installer sur demande \"") +
                     name_ + "\". Veuillez le télécharger sur " + web_page_url(web_site(), kComponentsPage) +
                     " et l'installer manuellement.";
  MessageBoxA(owner_, text.c_str(), "Erreur", MB_OK | MB_ICONWARNING);
  return Outcome::kFailed;
}

}  // namespace

bool install_component(const char* name, HWND owner, const char* caption) {
  // Present already: no dialog to flash over the owner.
  if (!component_path(name).empty()) return true;
  ComponentInstallTask task(name, owner, caption);
  run_progress_task(&task, owner);
  // The entry decides, whatever happened in the task.
  return !component_path(name).empty();
}

}  // namespace vt
