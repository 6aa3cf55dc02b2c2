// The command switches, from the program's own command line or forwarded by a second
// copy: a cursor walks the arguments from index 1, each switch acting at once in the
// order given. Portable; the main window carries the commands out.
#pragma once
#include <string>
#include <vector>

#include "base/settings_section.h"
#include "formats/mp3_encoder.h"

namespace vt {

// The record buttons' bits in ShowButtons.
enum ShownButtonBits { kShowRecordButton = 1, kShowRestartButton = 2, kShowPauseButton = 4, kShowStopButton = 8,
                       kShowAllButtons = 63 };

// The WAV group: which of its three slots named their flag, and the values.
struct WavSwitchGroup {
  bool has_rate = false, has_channels = false, has_bits = false;
  int rate = 0, channels = 0, bits = 0;
};

// "-at TIME" and what follows it in the same command line: one scheduled recording
// instead of recording at once.
struct AtSwitches {
  std::string at;        // "HH:MM" or "YYYY-MM-DD HH:MM", as typed
  int format = -1;       // from -record wav|mp3|aif or the -recordfile extension; -1 none
  std::string file;      // -recordfile's path; empty: the name pattern
  int duration_ms = 0;   // -ms, counted from the slot's start; 0: until stopped
};

class SwitchTarget {
 public:
  virtual ~SwitchTarget() {}
  virtual void set_format(int format_index) = 0;
  // A complete WAV group: the PCM format to store for the WAV writer.
  virtual void save_wav_group(const WavSwitchGroup& group) = 0;
  virtual EncoderSettings& mp3_settings() = 0;
  virtual SettingsSection& mp3_store() = 0;
  virtual void record() = 0;
  virtual void record_file(const std::string& path) = 0;
  virtual void pause() = 0;
  virtual void restart() = 0;
  virtual void stop_and_mark() = 0;
  virtual void exit() = 0;
  virtual void exit_when_stopped() = 0;
  virtual void hide() = 0;
  virtual void show() = 0;
  virtual void set_output_folder(const std::string& folder) = 0;
  virtual int shown_buttons() = 0;
  virtual void set_shown_buttons(int mask) = 0;
  virtual void relayout() = 0;
  virtual void play(const std::string& file) = 0;
  virtual void quit_after(int ms) = 0;
  virtual void schedule(const AtSwitches& at) = 0;
};

void run_switches(const std::vector<std::string>& args, SwitchTarget& target);

// The PCM format a WAV group stores: the slots it named over `base` (the stored PCM
// format, or the default 44,100 Hz mono 16 bits). False when a value is unusable.
bool wav_group_format(const WavSwitchGroup& group, int base_rate, int base_channels, int base_bits, int* rate,
                      int* channels, int* bits);

}  // namespace vt
