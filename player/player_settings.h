// The player panel's settings, section Player of the machine hive.
#pragma once
#include <cstdint>

#include "base/settings_names.h"
#include "base/settings_section.h"

namespace vt {

// The record below lives in section kSectionPlayer.

struct PlayerSettings {
  int32_t device = 0;     // output device list index (0: the default device)
  int8_t volume_db = 0;   // playback volume
};

PlayerSettings load_player_settings(SettingsSection& section);
void save_player_settings(SettingsSection& section, const PlayerSettings& settings);

}  // namespace vt
