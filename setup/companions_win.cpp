#include "setup/companions_win.h"

#include <shellapi.h>

#include <cstdio>

#include "win/handles_win.h"
#include "win/settings_win.h"
#include "base/command_template.h"
#include "setup/server_addresses.h"
#include "setup/setup_fetch_win.h"
#include "ui/progress_task_win.h"

namespace vt {
namespace {

// A setup program started without waiting gets ten seconds to register its template:
// 50 looks, 200 ms apart.
const int kRegistrationPolls = 50;
const DWORD kRegistrationPollMs = 200;

class CompanionLaunchTask : public ProgressTask {
 public:
  CompanionLaunchTask(const CompanionLaunch& launch, HWND owner)
      : ProgressTask(launch_caption(launch.companion)), launch_(launch), owner_(owner) {}
  bool run() override {
    result = launch();
    return result == Outcome::kDone;
  }

 private:
  Outcome launch();
  Outcome install(std::string* command_template);
  void offer_download();

  const CompanionLaunch& launch_;
  HWND owner_;
};

// Fetches the setup program and waits for the template it registers.
Outcome CompanionLaunchTask::install(std::string* command_template) {
  const Companion& companion = launch_.companion;
  Outcome fetched = fetch_and_run_setup(this, companion.setup_name);
  if (fetched != Outcome::kDone) return fetched;
  for (int poll = 0; poll < kRegistrationPolls; ++poll) {
    *command_template = companion_template(companion);
    if (!command_template->empty()) return Outcome::kDone;
    if (wait_with_messages(this, kRegistrationPollMs)) return Outcome::kStopped;
  }
  *command_template = companion_template(companion);
  return Outcome::kDone;
}

void CompanionLaunchTask::offer_download() {
  const Companion& companion = launch_.companion;
  char text[256];
  std::snprintf(text, sizeof text, "The free plugin \"%s\" program is required. Do you want to download it now?",
                companion.display_name);
  if (MessageBoxA(owner_, text, "Download Required", MB_YESNOCANCEL | MB_ICONQUESTION) == IDYES) {
    open_web_page(companion.web_page);
  }
}

Outcome CompanionLaunchTask::launch() {
  const Companion& companion = launch_.companion;
  std::string command_template = companion_template(companion);
  if (command_template.empty()) {
    // A cancelled download ends quietly: the user has already said no.
    if (install(&command_template) == Outcome::kStopped) return Outcome::kStopped;
    if (command_template.empty()) {
      offer_download();
      return Outcome::kFailed;
    }
  }
  std::string line = format_command(command_template, launch_.argument);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr, &startup,
                      &info)) {
    return Outcome::kFailed;
  }
  OwnedHandle thread(info.hThread);
  OwnedHandle process(info.hProcess);
  Outcome result = Outcome::kDone;
  if (launch_.wait) {
    char text[128];
    std::snprintf(text, sizeof text, "Please wait for %s", companion.display_name);
    set_progress_text(0, this, text);
    set_progress_text(1, this, "to close to continue...");
    result = wait_for_process(this, process.get());
  }
  return result;
}

}  // namespace

std::string companion_template(const Companion& companion) {
  std::string key = std::string("Software\\Ardentine\\") + companion.registry_name + "\\Settings";
  char text[kSettingTextBytes];
  for (Hive hive : {Hive::Machine, Hive::User}) {
    if (read_registry_text(hive, key.c_str(), companion.command_value, text, "") && text[0] != '\0') return text;
  }
  return "";
}

bool launch_companion(const CompanionLaunch& launch, HWND owner) {
  CompanionLaunchTask task(launch, owner);
  return run_progress_task(&task, owner);
}

bool launch_from_menu(int command_id, const std::string& selected_path, HWND owner) {
  CompanionLaunch launch;
  return menu_launch(command_id, selected_path, &launch) && launch_companion(launch, owner);
}

void open_web_page(const char* page) {
  std::string url = web_page_url(web_site(), page);
  ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace vt
