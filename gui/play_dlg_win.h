// LPlayDlg, "Contrôle Reproduction": plays one recording with a level meter, the output
// device and volume, the waveform, the position as text and scroll bar, and seven
// transport buttons with their keys, including press-and-hold cueing.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include "base/settings_section.h"
#include "player/play_item.h"
#include "player/player_settings.h"
#include "player/wave_player_win.h"
#include "ui/dialog_win.h"
#include "ui/tooltips_win.h"
#include "ui/wave_window_win.h"
#include "win/handles_win.h"

namespace vt {

class PlayDialog : public Dialog, private PlayerListener {
 public:
  // `settings`: the Player section (machine hive) or a stand-in; `device_calls`: the
  // wave-output calls the player makes.
  PlayDialog(const PlayItem& item, SettingsSection& settings, const WaveOutCalls& device_calls = system_wave_out());
  ~PlayDialog() override;

  // Runs the panel over `parent` (disabled meanwhile) with the panel's own message
  // loop until it is closed. Returns 1.
  int show(HWND parent);
  // The panel without a loop of its own: the caller pumps through pump_message.
  HWND create(HWND parent);
  // One message of the panel's loop: its keys first, then the dialog's navigation.
  void pump_message(MSG& message);
  // Stops what plays and plays `item` in the open panel instead (one panel at a time).
  void switch_to(std::unique_ptr<PlayItem> item);

  WavePlayer& player() { return player_; }
  WaveWindow& waveform() { return waveform_; }
  int32_t position_ms() const { return position_ms_; }
  int32_t length_ms() const { return length_ms_; }

 private:
  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool translate_key(const MSG& message);
  bool key_stays_in_box(const MSG& message) const;
  bool on_init() override;
  void load_item();
  void end();
  bool on_command(int id, int code) override;
  void scroll(int code, int thumb);

  void play();
  void play_end();
  void scrub();
  void stop();
  void go_to_start();
  void go_to_end();
  void cue_begin(bool forward);
  void cue_end();
  void waveform_clicked();
  bool open_for_play(SourceRef& stream);
  void show_position(int32_t ms);
  void move_to(int32_t ms);
  void refresh_buttons();

  void on_started(uint32_t) override { refresh_buttons(); }
  void on_stopped(uint32_t) override;
  void on_scrub_started(uint32_t) override { refresh_buttons(); }
  void on_scrub_resumed(uint32_t) override { refresh_buttons(); }
  void on_position(int32_t ms, uint32_t) override { show_position(ms); }
  void on_levels(const LevelRecord& levels, uint32_t) override;
  void on_device_refused(uint32_t) override;

  static LRESULT CALLBACK cue_button_procedure(HWND button, UINT message, WPARAM wparam, LPARAM lparam,
                                               UINT_PTR id, DWORD_PTR data);

  const PlayItem* item_;
  std::unique_ptr<PlayItem> switched_item_;  // the item that replaced the first one
  SettingsSection& settings_;
  PlayerSettings stored_;
  WaveWindow waveform_;
  WavePlayer player_;
  HWND parent_ = nullptr;
  Tooltips tooltips_;
  OwnedFont bold_font_;
  OwnedBitmap bitmaps_[7];
  int32_t position_ms_ = 0;
  int32_t length_ms_ = 0;
  int32_t rate_ = 0;
  bool cueing_ = false;
  bool cue_forward_ = false;
  int cue_resume_ = 0;  // 0 nothing, 1 scrub, 2 play
};

}  // namespace vt
