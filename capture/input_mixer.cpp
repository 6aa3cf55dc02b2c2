#include "capture/input_mixer.h"

#include <cctype>

#include "base/settings_names.h"
#include "capture/mixer_constants.h"

namespace vt {

const char kWindowsMixerEntry[] = "Mixeur d’Enregistrement Windows";

namespace {

bool is_volume(const MixerControl& control) {
  return control.type == kMixerVolumeControl || control.type == kMixerFaderControl;
}

// The multiplexer item of `source`: the one naming its line id, or failing that the
// item at the source's own index. Past the list: none.
int multiplexer_item(MixerDevice& mixer, const MixerControl& control, const MixerLine& destination, int source) {
  MixerLine line;
  if (!mixer.source_line(destination, static_cast<uint32_t>(source), &line)) return -1;
  std::vector<uint32_t> item_lines;
  if (!mixer.list_item_lines(control, &item_lines)) return -1;
  for (size_t item = 0; item < item_lines.size(); ++item)
    if (item_lines[item] == line.line_id) return static_cast<int>(item);
  return source < static_cast<int>(item_lines.size()) ? source : -1;
}

void set_destination_controls(MixerDevice& mixer, const MixerLine& destination, int source, uint16_t volume) {
  std::vector<MixerControl> controls;
  if (!mixer.line_controls(destination, &controls)) return;
  for (const MixerControl& control : controls) {
    if (control.type == kMixerOnOffControl) {
      mixer.set_uniform_value(control, 1);
    } else if (control.type == kMixerMuteControl) {
      mixer.set_uniform_value(control, 0);
    } else if (is_volume(control)) {
      mixer.set_uniform_value(control, volume);
    } else if (control.type == kMixerMultiplexerControl) {
      int chosen = multiplexer_item(mixer, control, destination, source);
      // Without a chosen item every item would be off: the mixer keeps what it had.
      if (chosen < 0) continue;
      std::vector<uint32_t> values(control.item_count, 0);
      if (chosen < static_cast<int>(values.size())) values[chosen] = 1;
      mixer.set_item_values(control, values);
    } else if (control.type == kMixerMixerControl) {
      mixer.set_item_values(control, std::vector<uint32_t>(control.item_count, 1));
    }
  }
}

// Only the chosen source is heard: the others are silenced and muted.
void set_source_controls(MixerDevice& mixer, const MixerLine& destination, int source, uint16_t volume) {
  for (uint32_t index = 0; index < destination.source_count; ++index) {
    MixerLine line;
    std::vector<MixerControl> controls;
    if (!mixer.source_line(destination, index, &line) || !mixer.line_controls(line, &controls)) continue;
    bool chosen = static_cast<int>(index) == source;
    for (const MixerControl& control : controls) {
      if (is_volume(control)) mixer.set_uniform_value(control, chosen ? volume : 0);
      else if (control.type == kMixerMuteControl) mixer.set_uniform_value(control, chosen ? 0 : 1);
    }
  }
}

}  // namespace

int input_source_count(MixerSystem& mixers, int device) {
  if (device < 0) return 0;
  std::unique_ptr<MixerDevice> mixer = mixers.open_for_wave_in(device);
  MixerLine destination;
  if (!mixer || !mixer->find_line(kMixerWaveInDestination, &destination)) return 0;
  return destination.source_count > kMaxInputSources ? kMaxInputSources : static_cast<int>(destination.source_count);
}

std::string input_source_name(MixerSystem& mixers, int device, int source) {
  if (source == -1) return kWindowsMixerEntry;
  if (device < 0 || source < 0) return std::string();
  std::unique_ptr<MixerDevice> mixer = mixers.open_for_wave_in(device);
  MixerLine destination, line;
  if (!mixer || !mixer->find_line(kMixerWaveInDestination, &destination)) return std::string();
  if (static_cast<uint32_t>(source) >= destination.source_count) return std::string();
  if (!mixer->source_line(destination, static_cast<uint32_t>(source), &line)) return std::string();
  return line.name;
}

void apply_input_mixer(MixerSystem& mixers, int device, int source, int volume_step) {
  if (device < 0 || source < 0) return;
  uint16_t volume = mixer_volume(volume_step);
  std::unique_ptr<MixerDevice> mixer = mixers.open_for_wave_in(device);
  MixerLine destination;
  if (!mixer || !mixer->find_line(kMixerWaveInDestination, &destination)) return;
  // A line this device does not have (the setting came from another device) would
  // leave every real input silenced and muted: the mixer stays as it is.
  if (static_cast<uint32_t>(source) >= destination.source_count) return;
  set_destination_controls(*mixer, destination, source, volume);
  set_source_controls(*mixer, destination, source, volume);
}

InputMixerSettings load_input_mixer_settings(SettingsSection& section) {
  InputMixerSettings settings;
  settings.record_device = section.read_int(kRecordDevice.name, kRecordDevice.default_value);
  if (settings.record_device < 0) settings.record_device = 0;
  // Two different fallbacks tell a missing value from a stored one.
  int32_t chan = section.read_int(kRecordChan.name, INT32_MIN);
  settings.record_chan_saved = chan != INT32_MIN || section.read_int(kRecordChan.name, INT32_MAX) != INT32_MAX;
  settings.record_chan = settings.record_chan_saved ? chan : kRecordChan.default_value;
  if (settings.record_chan < -1 || settings.record_chan >= kMaxInputSources) settings.record_chan = -1;
  // A value from outside the slider's range would otherwise wrap through the 8-bit step.
  int32_t volume = section.read_int(kRecordVolume.name, kRecordVolume.default_value);
  settings.record_volume = volume < kRecordVolumeMinimum   ? kRecordVolumeMinimum
                           : volume > kRecordVolumeMaximum ? kRecordVolumeMaximum
                                                           : volume;
  return settings;
}

void save_input_mixer_settings(SettingsSection& section, const InputMixerSettings& settings) {
  section.write_int(kRecordDevice.name, settings.record_device);
  section.write_int(kRecordChan.name, settings.record_chan);
  section.write_int(kRecordVolume.name, settings.record_volume);
}

int microphone_entry(const std::vector<std::string>& source_names) {
  for (size_t source = 0; source < source_names.size(); ++source) {
    std::string lower;
    for (char c : source_names[source]) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("mic") != std::string::npos) return static_cast<int>(source) + 1;
  }
  return 0;
}

}  // namespace vt
