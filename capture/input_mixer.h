// The recording side of the mixer: which source line of a wave-input device's
// recording destination is heard, and at what volume.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/settings_section.h"
#include "capture/mixer.h"

namespace vt {

// The input list's first entry: leave the user's own mixer set-up alone.
extern const char kWindowsMixerEntry[];  // "Mixeur d’Enregistrement Windows"
// Source lines listed at most.
constexpr int kMaxInputSources = 127;
// The recording volume slider's range, in decibel steps.
constexpr int kRecordVolumeMinimum = -36, kRecordVolumeMaximum = 12;

// Source lines of the device's wave-in destination, 0…127; 0 when `device` is
// negative or the mixer cannot be queried.
int input_source_count(MixerSystem& mixers, int device);
// The mixer's name of source `source`; for −1 the Windows-mixer entry; empty when the
// device is negative, the source does not exist or the query fails.
std::string input_source_name(MixerSystem& mixers, int device, int source);
// Switches the wave-in destination on, unmutes it and sets its volume; selects
// `source` (multiplexer) or every source (mixer control); gives `source` the volume
// and silences and mutes every other source. Nothing when `device` or `source` is
// negative or the device has no such source line; a failing call ends its step
// quietly.
void apply_input_mixer(MixerSystem& mixers, int device, int source, int volume_step);

// The recording-line settings (section Settings).
struct InputMixerSettings {
  int32_t record_device = 0;   // 0 the preferred input, k input device k − 1
  int32_t record_chan = -1;    // −1 leave the mixer alone, n source line n
  int32_t record_volume = 0;   // decibel step, kept within −36…+12
  bool record_chan_saved = false;  // false until the user chose a line once
};
InputMixerSettings load_input_mixer_settings(SettingsSection& section);
void save_input_mixer_settings(SettingsSection& section, const InputMixerSettings& settings);

// The input list entry to preselect before the user ever chose one: the first source
// whose name contains "mic" in any case (entry = source + 1), else the Windows-mixer
// entry 0.
int microphone_entry(const std::vector<std::string>& source_names);

}  // namespace vt
