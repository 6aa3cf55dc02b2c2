// When the recorder makes its periodic offers: the related programs once, 45 days
// after the first run; a version check every 90 days. The dates are stored before
// anything is offered, so a failed check waits its full period again.
#pragma once
#include <cstdint>

#include "base/settings_section.h"

namespace vt {

// Values of section "Settings", machine hive, all integers.
static const char kRelatedPCheck[] = "RelatedPCheck";        // 1 once the related programs were offered
static const char kRelatedPDate[] = "RelatedPDate";          // first run, seconds since 1970; 0 unset
static const char kVCheckDate[] = "VCheckDate";              // last version check; 0 unset
static const char kLastCheckVersion[] = "LastCheckVersion";  // highest version x 100 the user was told of

constexpr int64_t kRelatedOfferAfterSeconds = 3888000;   // 45 days
constexpr int64_t kVersionCheckEverySeconds = 7776001;   // 90 days and one second

enum UpdateStep { kUpdateNothing, kUpdateOfferRelated, kUpdateCheckVersion };

// Decides this start's step at time `now` and stores the dates and the flag the
// decision implies.
UpdateStep plan_update_step(SettingsSection& settings, int64_t now);

int last_told_version(SettingsSection& settings);
void remember_told_version(SettingsSection& settings, int hundredths);

}  // namespace vt
