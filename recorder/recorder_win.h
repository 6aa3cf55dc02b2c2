// The recorder: one recording at a time, from Record to Stop-and-mark, driven by the
// main window's buttons, menu and keys, the hotkeys, the forwarded switches and the
// timers, all on the main thread. It needs no window: what it shows goes to a
// RecorderView, what it hands on goes to its neighbours.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "audio/stream.h"
#include "base/settings_section.h"
#include "capture/capture_engine_win.h"
#include "formats/mp3_encoder.h"
#include "recorder/recorder_neighbours.h"
#include "win/settings_win.h"

namespace vt {

// What the status panel's first line shows.
enum RecorderDisplayState { kDisplayReady = 0, kDisplayRecording = 1, kDisplayWaiting = 2 };

// What the recorder asks of the window that shows it. The defaults do nothing, so the
// recorder runs without a window.
class RecorderView {
 public:
  virtual ~RecorderView() = default;
  // The owner of prompts and messages (null: none).
  virtual HWND owner() { return nullptr; }
  // The display state, the lit buttons or the window icon changed.
  virtual void state_changed() {}
  // The current file changed (opened, closed or renamed).
  virtual void file_changed() {}
  virtual void format_changed() {}
  virtual void time_changed(int32_t ms) {}
  // Levels of the running capture; a record of silence when capture has stopped.
  virtual void levels_changed(const LevelRecord& levels) {}
  // The interval tone's timer: `interval_elapsed` is to be called every `ms`.
  virtual void start_interval_timer(UINT ms) {}
  virtual void stop_interval_timer() {}
  // The Exit command: the program is to end.
  virtual void exit_requested() {}
};

class Recorder : private RecorderListener {
 public:
  // Tones are WAVE resources of `instance`.
  explicit Recorder(HINSTANCE instance);
  // A file still open is finalised, but not handed on for delivery.
  ~Recorder() override;
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  void set_view(RecorderView* view);
  void set_neighbours(const RecorderNeighbours& neighbours);
  const RecorderNeighbours& neighbours() const { return neighbours_; }

  // The five commands.
  void record();
  void pause();
  void restart();
  void stop_and_mark();
  void exit();
  // Records into exactly this path, switching a running recording over to it; the
  // previous file is closed without being handed over for delivery.
  void record_file(const std::string& path);
  // The start-up rule: records at once for "-logon" first, or for no switches with
  // RecordWhenRun on.
  void record_at_start(const std::vector<std::string>& args);
  // The next time capture stops for any reason, the program exits.
  void exit_when_stopped() { exit_when_stopped_ = true; }
  // Timer 5 fired: the interval tone.
  void interval_elapsed();
  // The end of the program: no more reports, the engine stopped. The open file stays
  // open until the recorder goes.
  void shut_down();

  // The recording format and its settings.
  void set_format(int format_index);
  void save_wav_group(int rate, int channels, int bits);
  EncoderSettings& mp3_settings() { return mp3_settings_; }
  SettingsSection& mp3_store() { return mp3_store_; }
  void reload_mp3_settings();
  // "Info sur le Fichier" for the current format.
  std::string format_text() const;

  // State, for the windows that show it and for tests.
  const std::string& current_path() const { return current_path_; }
  bool file_open() const { return !current_path_.empty(); }
  bool reopen_pending() const { return reopen_; }
  bool record_lit() const { return record_lit_; }
  bool pause_lit() const { return pause_lit_; }
  RecorderDisplayState display_state() const { return display_state_; }
  uint8_t engine_state() const { return engine_.state(); }
  bool engine_running() const { return engine_.state() != kCaptureStopped; }

 private:
  void open_writer_and_start();
  void start_capture();
  void play_tone(int resource);
  void show_error(const std::string& text);
  void set_path(const std::string& path);

  // RecorderListener, called by the capture engine on this thread.
  void on_recording(uint32_t cookie) override;
  void on_waiting_for_voice(uint32_t cookie) override;
  void on_stopped(uint32_t cookie) override;
  void on_time(uint32_t cookie, int32_t ms) override;
  void on_levels(uint32_t cookie, const LevelRecord& levels) override;

  HINSTANCE instance_;
  RecorderView default_view_;
  RecorderView* view_ = &default_view_;
  RecordingDelivery default_delivery_;
  RecordingsList default_list_;
  RecorderNeighbours neighbours_;
  std::string current_path_;
  SinkRef writer_;
  bool reopen_ = false;
  bool record_lit_ = false;
  bool pause_lit_ = false;
  bool exit_when_stopped_ = false;
  RecorderDisplayState display_state_ = kDisplayReady;
  CaptureEngine engine_;
  EncoderSettings mp3_settings_;
  RegistrySection mp3_store_{Hive::Machine, kEncoderSettingsSection};
};

}  // namespace vt
