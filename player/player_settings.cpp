#include "player/player_settings.h"

namespace vt {

PlayerSettings load_player_settings(SettingsSection& section) {
  PlayerSettings settings;
  settings.device = section.read_int("Device", 0);
  if (settings.device < 0) settings.device = 0;
  int32_t volume = section.read_int("VolumeDB", 0);
  // Stored as a signed byte.
  settings.volume_db = static_cast<int8_t>(static_cast<uint8_t>(volume & 0xFF));
  return settings;
}

void save_player_settings(SettingsSection& section, const PlayerSettings& settings) {
  section.write_int("Device", settings.device);
  section.write_int("VolumeDB", settings.volume_db);
}

}  // namespace vt
