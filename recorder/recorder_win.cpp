#include "recorder/recorder_win.h"

#include <mmsystem.h>

#include <algorithm>

#include "base/paths.h"
#include "capture/input_mixer.h"
#include "formats/wave_format.h"
#include "recorder/recorder_rules.h"
#include "recorder/recording_format_win.h"
#include "recorder/recording_name_win.h"
#include "recorder/tones_res.h"

namespace vt {

namespace {

const int32_t kEngineLimitMs = 14400000;  // four hours
const int32_t kVoiceHangMs = 5000;
const int32_t kNoGateHangMs = 216000000;
// Between two attempts to start again after a lost device or a wake-up.
const UINT kResumeRetryMs = 2000;

LevelRecord silence() {
  LevelRecord levels;
  levels.channel_count = 2;
  levels.db[0] = levels.db[1] = -127;
  return levels;
}

// The system's idle sleep, held off for the calling thread (the main thread) as long
// as it asks.
class SystemStayAwake : public StayAwake {
 public:
  void stay_awake(bool on) override { SetThreadExecutionState(on ? ES_SYSTEM_REQUIRED | ES_CONTINUOUS : ES_CONTINUOUS); }
};

StayAwake& system_stay_awake() {
  static SystemStayAwake awake;
  return awake;
}

}  // namespace

Recorder::Recorder(HINSTANCE instance) : instance_(instance) {
  neighbours_.delivery = &default_delivery_;
  neighbours_.list = &default_list_;
  neighbours_.awake = &system_stay_awake();
  mp3_settings_ = load_encoder_settings(mp3_store_);
  engine_.set_listener(this, 0);
}

Recorder::~Recorder() { shut_down(); }

void Recorder::set_view(RecorderView* view) { view_ = view ? view : &default_view_; }

void Recorder::set_neighbours(const RecorderNeighbours& neighbours) {
  neighbours_ = neighbours;
  if (!neighbours_.delivery) neighbours_.delivery = &default_delivery_;
  if (!neighbours_.list) neighbours_.list = &default_list_;
  if (!neighbours_.awake) neighbours_.awake = &system_stay_awake();
}

void Recorder::shut_down() {
  engine_.set_listener(nullptr, 0);
  engine_.stop();
  shut_down_ = true;
  resume_cause_ = ResumeCause::kNone;
  view_->stop_resume_timer();
  hold_awake();
}

void Recorder::record() {
  if (engine_running()) return;
  stop_resuming();
  const int format = read_setting(kFormat);
  if (!recording_format(format)) return;
  if (file_open()) {
    // Paused: carry on in the same file, or start it afresh after Restart.
    if (!reopen_) {
      start_capture();
    } else {
      open_writer_and_start();
      reopen_ = false;
    }
    return;
  }
  std::string path;
  if (!new_recording_name(view_->owner(), neighbours_.list, &path)) return;
  set_path(path);
  open_writer_and_start();
}

void Recorder::record_file(const std::string& path) {
  // The recording in progress is finished before the switch: capture must not go on
  // writing into it whether or not the new file opens.
  stop_resuming();
  const std::string previous = current_path_;
  if (!previous.empty()) {
    view_->stop_interval_timer();
    engine_.stop();
    engine_.set_sink(SinkRef());
    writer_.reset();
  }
  set_path(path.size() > kMaxPathChars ? path.substr(0, kMaxPathChars) : path);
  open_writer_and_start();
  // Without a new file the previous recording would be neither current nor delivered:
  // it is handed on as Stop-and-mark would.
  if (!previous.empty() && !file_open()) {
    neighbours_.delivery->recording_finished(previous);
    view_->time_changed(0);
  }
}

void Recorder::record_at_start(const std::vector<std::string>& args) {
  if (records_at_start(args, read_setting(kRecordWhenRun))) record();
}

void Recorder::set_path(const std::string& path) {
  current_path_ = path;
  resumed_file_ = false;
  view_->file_changed();
}

bool Recorder::open_writer() {
  writer_ = open_recording_sink(current_path_, read_setting(kFormat), mp3_settings_);
  return !writer_->failed();
}

void Recorder::open_writer_and_start() {
  if (!open_writer()) {
    show_error("Vocatrack ne peut ouvrir le fichier \"" + current_path_ +
               "\" pour l'enregistrement.\r\n\r\nVeuillez vérifier que vous avez sélectionné le répertoire "
               "de destination adéquat dans paramètres.");
    writer_.reset();
    set_path(std::string());
    return;
  }
  start_capture();
}

bool Recorder::start_capture(bool quiet) {
  engine_.stop();
  if (writer_->failed()) return false;
  RegistrySection settings(Hive::Machine, kSectionSettings);
  InputMixerSettings mixer = load_input_mixer_settings(settings);
  engine_.device = static_cast<uint8_t>(mixer.record_device);
  engine_.input_line = static_cast<int8_t>(mixer.record_chan);
  engine_.apply_volume(mixer.record_volume);
  if (!quiet && read_setting(kRecordTone)) play_tone(IDW_START_TONE);
  int8_t threshold = -127;
  int32_t hang_ms = kNoGateHangMs;
  if (read_setting(kVoiceActivate)) {
    threshold = static_cast<int8_t>(std::max(-127, std::min(127, read_setting(kVoiceActivateLevel))));
    hang_ms = kVoiceHangMs;
  }
  engine_.device_timeout_ms = device_timeout_ms(read_setting(kDeviceTimeoutSecs));
  silence_warning_after_ms_ = read_setting(kWarnSilence) ? silence_warning_ms(read_setting(kWarnSilenceSecs)) : 0;
  engine_.set_sink(writer_);
  const bool started = engine_.start(kEngineLimitMs, threshold, hang_ms);
  if (!started && !quiet) {
    show_error(
        "Vocatrack ne peut ouvrir le dispositif audio pour l'enregistrement.\r\n\r\nVeuillez vérifier que vous "
        "avez sélectionné le Dispositif d'Enregistrement Audio adéquat dans Paramètres");
  }
  if (started && device_lost_) {
    device_lost_ = false;
    view_->notice_changed();
  }
  if (read_setting(kIntervalTone)) view_->start_interval_timer(interval_tone_ms(read_setting(kIntervalSecs)));
  return started;
}

void Recorder::pause() {
  stop_resuming();
  if (engine_running()) {
    if (read_setting(kStoppedTone)) play_tone(IDW_STOP_TONE);  // while capture still runs
    view_->stop_interval_timer();
    engine_.stop();
  }
  reopen_ = false;
}

void Recorder::restart() {
  const bool was_recording = engine_.state() == kCaptureRecording;
  pause();
  writer_.reset();  // the file is finalised and closed
  if (was_recording) open_writer_and_start();
  reopen_ = true;
  view_->time_changed(0);
}

void Recorder::stop_and_mark() {
  stop_resuming();
  if (!file_open()) return;
  pause();
  writer_.reset();
  const std::string finished = current_path_;
  current_path_.clear();
  neighbours_.delivery->recording_finished(finished);
  RecordingsList* list = neighbours_.list;
  if (read_setting(kLaunchPlayWhenStop) && !list->is_open()) list->open();
  view_->file_changed();
  view_->time_changed(0);
  if (list->is_open()) list->refresh();
}

void Recorder::exit() {
  stop_resuming();
  if (neighbours_.list->is_open()) neighbours_.list->close();
  view_->exit_requested();
}

void Recorder::interval_elapsed() { play_tone(IDW_START_TONE); }

void Recorder::play_tone(int resource) {
  PlaySoundA(MAKEINTRESOURCEA(resource), instance_, SND_RESOURCE | SND_SYNC | SND_NODEFAULT);
}

void Recorder::show_error(const std::string& text) {
  MessageBoxA(view_->owner(), text.c_str(), "", MB_OK | MB_ICONERROR);
}

void Recorder::set_format(int format_index) {
  write_setting(kFormat, format_index);
  view_->format_changed();
}

void Recorder::save_wav_group(int rate, int channels, int bits) {
  save_recording_format(format_buffer_of(make_pcm_format(channels, bits, rate)));
  view_->format_changed();
}

void Recorder::reload_mp3_settings() {
  mp3_settings_ = load_encoder_settings(mp3_store_);
  view_->format_changed();
}

std::string Recorder::format_text() const {
  // The MP3 line comes from the record in memory: switches may have changed it for this run.
  return format_description(read_setting(kFormat), stored_recording_format().format, mp3_settings_);
}

void Recorder::on_sink_failed(uint32_t) {
  // A full disk: the file keeps what reached it and is finished and handed on as
  // Stop-and-mark does; the next Record starts a new file.
  const std::string path = current_path_;
  stop_and_mark();
  show_error("Vocatrack ne peut ouvrir le fichier \"" + path +
             "\" pour l'enregistrement.\r\n\r\nVeuillez vérifier que vous avez sélectionné le répertoire "
             "de destination adéquat dans paramètres.");
}

void Recorder::finish_and_resume(ResumeCause cause, bool resume) {
  // No stop tone: nobody may be listening, and the device may be gone.
  view_->stop_interval_timer();
  engine_.stop();
  reopen_ = false;
  if (file_open()) {
    // An attempt of the recorder's own that got nothing (the device still gone) leaves
    // no empty recording behind.
    const bool nothing = resumed_file_ && writer_->frames_written == 0;
    writer_.reset();
    const std::string finished = current_path_;
    current_path_.clear();
    if (nothing)
      DeleteFileA(finished.c_str());
    else
      neighbours_.delivery->recording_finished(finished);
    view_->file_changed();
    view_->time_changed(0);
    if (neighbours_.list->is_open()) neighbours_.list->refresh();
  }
  resumed_file_ = false;
  device_lost_ = cause == ResumeCause::kDeviceLost;
  resume_cause_ = resume && !shut_down_ ? cause : ResumeCause::kNone;
  hold_awake();
  view_->notice_changed();
  if (awaiting_resume() && !suspended_) view_->start_resume_timer(kResumeRetryMs);
}

void Recorder::resume_elapsed() {
  view_->stop_resume_timer();
  if (!awaiting_resume() || suspended_) return;
  // Someone recorded in the meantime: theirs is the recording (an attempt of the
  // recorder's own holds no timer).
  if (engine_running() || file_open()) {
    stop_resuming();
    return;
  }
  std::string path;
  if (resume_recording_path(&path)) {
    set_path(path);
    resumed_file_ = true;
    // The wait ends with the first block the device gives (on_levels); until then a
    // device that stays silent ends this attempt as a lost one.
    if (open_writer() && start_capture(true)) return;
    // Nothing to record from (or into) yet: the empty file goes until the next attempt.
    view_->stop_interval_timer();
    writer_.reset();
    DeleteFileA(path.c_str());
    resumed_file_ = false;
    set_path(std::string());
  }
  view_->start_resume_timer(kResumeRetryMs);
}

void Recorder::stop_resuming() {
  if (!awaiting_resume()) return;
  resume_cause_ = ResumeCause::kNone;
  view_->stop_resume_timer();
  hold_awake();
  view_->notice_changed();
}

void Recorder::power_suspending() {
  if (suspended_) return;
  suspended_ = true;
  view_->stop_resume_timer();
  // The file is finished while the disk is still there; capture can't go on anyway.
  if (engine_running()) finish_and_resume(ResumeCause::kSuspended, read_setting(kResumeRecording));
  hold_awake();
}

void Recorder::power_resumed() {
  if (!suspended_) return;
  suspended_ = false;
  hold_awake();
  if (awaiting_resume()) resume_elapsed();
}

void Recorder::hold_awake() {
  const bool want = !shut_down_ && (engine_running() || (awaiting_resume() && !suspended_)) && read_setting(kStayAwake);
  // Released even when the setting was switched off meanwhile.
  if (want == awake_held_) return;
  awake_held_ = want;
  neighbours_.awake->stay_awake(want);
}

void Recorder::set_silence_warning(bool on) {
  if (on == silence_warning_) return;
  silence_warning_ = on;
  view_->notice_changed();
}

std::string Recorder::notice() const {
  switch (resume_cause_) {
    case ResumeCause::kDeviceLost: return "Entrée audio perdue, en attente...";
    case ResumeCause::kSuspended: return "Mise en veille, reprise au réveil...";
    case ResumeCause::kNone: break;
  }
  if (device_lost_) return "Entrée perdue, enregistrement terminé";
  if (silence_warning_) return "Aucun son reçu de l'entrée audio";
  return std::string();
}

void Recorder::on_device_lost(uint32_t) {
  if (shut_down_) return;
  finish_and_resume(ResumeCause::kDeviceLost, read_setting(kResumeRecording));
}

void Recorder::on_recording(uint32_t) {
  record_lit_ = true;
  pause_lit_ = false;
  display_state_ = kDisplayRecording;
  hold_awake();
  view_->state_changed();
}

void Recorder::on_waiting_for_voice(uint32_t) {
  record_lit_ = true;
  pause_lit_ = false;
  display_state_ = kDisplayWaiting;
  hold_awake();
  view_->state_changed();
}

void Recorder::on_stopped(uint32_t) {
  view_->levels_changed(silence());
  record_lit_ = false;
  pause_lit_ = true;
  display_state_ = kDisplayReady;
  set_silence_warning(false);
  hold_awake();
  view_->state_changed();
  if (exit_when_stopped_) exit();
}

void Recorder::on_time(uint32_t, int32_t ms) {
  if (read_setting(kCheckMaxTime) && parse_max_time_ms(read_setting(kMaxTime).c_str()) < ms) {
    stop_and_mark();
    if (!read_setting(kStopReachMaxTime)) record();
    return;
  }
  // The device's silence, not the voice gate's: a muted or unplugged microphone.
  if (silence_warning_after_ms_ > 0) set_silence_warning(engine_.silent_run_ms() >= silence_warning_after_ms_);
  view_->time_changed(ms);
}

void Recorder::on_levels(uint32_t, const LevelRecord& levels) {
  if (awaiting_resume() && resumed_file_ && engine_running()) {
    resume_cause_ = ResumeCause::kNone;
    view_->notice_changed();
  }
  view_->levels_changed(engine_.state() == kCaptureStopped ? silence() : levels);
}

}  // namespace vt
