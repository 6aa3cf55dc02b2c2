#include "setup/update_schedule.h"

#include "setup/version_reply.h"

namespace vt {

UpdateStep plan_update_step(SettingsSection& settings, int64_t now) {
  const int32_t stamp = static_cast<int32_t>(now);
  if (settings.read_int(kRelatedPCheck, 0) == 0) {
    int64_t first_run = settings.read_int(kRelatedPDate, 0);
    if (first_run == 0) {
      settings.write_int(kRelatedPDate, stamp);
    } else if (now - first_run > kRelatedOfferAfterSeconds) {
      settings.write_int(kRelatedPCheck, 1);
      return kUpdateOfferRelated;
    }
  }
  int64_t last_check = settings.read_int(kVCheckDate, 0);
  if (last_check == 0) {
    settings.write_int(kVCheckDate, stamp);
    return kUpdateNothing;
  }
  if (now - last_check < kVersionCheckEverySeconds) return kUpdateNothing;
  settings.write_int(kVCheckDate, stamp);
  return kUpdateCheckVersion;
}

int last_told_version(SettingsSection& settings) {
  return settings.read_int(kLastCheckVersion, kProgramVersionHundredths);
}

void remember_told_version(SettingsSection& settings, int hundredths) {
  settings.write_int(kLastCheckVersion, hundredths);
}

}  // namespace vt
