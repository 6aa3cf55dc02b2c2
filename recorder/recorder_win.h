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

// Why the recorder goes on by itself in a new file.
enum class ResumeCause { kNone, kDeviceLost, kSuspended };

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
  // The recorder's notice (notice()) changed.
  virtual void notice_changed() {}
  // The resume timer: `resume_elapsed` is to be called once after `ms`.
  virtual void start_resume_timer(UINT ms) {}
  virtual void stop_resume_timer() {}
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

  // Unattended recording. The recording in progress ends as Stop-and-mark ends it (the
  // file finished and handed on, the list not opened); with `resume` the recorder then
  // goes on by itself in a new file named by the pattern as soon as capture starts again.
  void finish_and_resume(ResumeCause cause, bool resume);
  // The resume timer fired: one attempt, and the timer again when it fails.
  void resume_elapsed();
  // The system is about to sleep / has woken up.
  void power_suspending();
  void power_resumed();
  // From the end of the recording until the device has given a block again.
  bool awaiting_resume() const { return resume_cause_ != ResumeCause::kNone; }
  ResumeCause resume_cause() const { return resume_cause_; }
  bool silence_warning() const { return silence_warning_; }
  // What the status panel says about the unattended recording; empty when all is well.
  std::string notice() const;

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
  // Creates the writer for the current path; false when it failed.
  bool open_writer();
  // `quiet`: an attempt of the recorder's own, without tone or message.
  bool start_capture(bool quiet = false);
  void stop_resuming();
  void hold_awake();
  void set_silence_warning(bool on);
  void play_tone(int resource);
  void show_error(const std::string& text);
  void set_path(const std::string& path);

  // RecorderListener, called by the capture engine on this thread.
  void on_recording(uint32_t cookie) override;
  void on_waiting_for_voice(uint32_t cookie) override;
  void on_stopped(uint32_t cookie) override;
  void on_time(uint32_t cookie, int32_t ms) override;
  void on_levels(uint32_t cookie, const LevelRecord& levels) override;
  void on_sink_failed(uint32_t cookie) override;
  void on_device_lost(uint32_t cookie) override;

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
  bool shut_down_ = false;
  RecorderDisplayState display_state_ = kDisplayReady;
  ResumeCause resume_cause_ = ResumeCause::kNone;
  bool suspended_ = false;       // between the system's suspend and its wake-up
  bool resumed_file_ = false;    // the current file was opened by a resume attempt
  bool device_lost_ = false;     // the last recording ended with its device
  bool awake_held_ = false;
  bool silence_warning_ = false;
  int32_t silence_warning_after_ms_ = 0;  // 0: no warning for this capture
  CaptureEngine engine_;
  EncoderSettings mp3_settings_;
  RegistrySection mp3_store_{Hive::Machine, kSectionMp3Encoder};
};

}  // namespace vt
