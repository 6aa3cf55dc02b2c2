#include "gui/update_offers_win.h"

#include "base/settings_names.h"
#include "gui/setup_wizard_win.h"
#include "setup/update_schedule.h"
#include "setup/version_check_win.h"
#include "win/settings_win.h"

namespace vt {

void run_update_offers(HWND owner, time_t now) {
  RegistrySection settings(Hive::Machine, kSectionSettings);
  switch (plan_update_step(settings, static_cast<int64_t>(now))) {
    case kUpdateOfferRelated:
      run_related_wizard(owner);
      break;
    case kUpdateCheckVersion:
      run_version_check(owner);
      break;
    case kUpdateNothing:
      break;
  }
}

}  // namespace vt
