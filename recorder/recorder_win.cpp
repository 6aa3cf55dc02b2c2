#include "recorder/recorder_win.h"

#include <mmsystem.h>

#include <algorithm>

#include "base/paths.h"
#include "formats/file_writers.h"
#include "formats/mp3_sink_win.h"
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

LevelRecord silence() {
  LevelRecord levels;
  levels.channel_count = 2;
  levels.db[0] = levels.db[1] = -127;
  return levels;
}

}  // namespace

Recorder::Recorder(HINSTANCE instance) : instance_(instance) {
  neighbours_.delivery = &default_delivery_;
  neighbours_.list = &default_list_;
  mp3_settings_ = load_encoder_settings(mp3_store_);
  engine_.set_listener(this, 0);
}

Recorder::~Recorder() { shut_down(); }

void Recorder::set_view(RecorderView* view) { view_ = view ? view : &default_view_; }

void Recorder::set_neighbours(const RecorderNeighbours& neighbours) {
  neighbours_ = neighbours;
  if (!neighbours_.delivery) neighbours_.delivery = &default_delivery_;
  if (!neighbours_.list) neighbours_.list = &default_list_;
}

void Recorder::shut_down() {
  engine_.set_listener(nullptr, 0);
  engine_.stop();
}

void Recorder::record() {
  if (engine_running()) return;
  const int format = read_setting(kFormat);
  if (format < kRecordWav || format > kRecordAiff) return;
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
  set_path(path.size() > kMaxPathChars ? path.substr(0, kMaxPathChars) : path);
  open_writer_and_start();
}

void Recorder::record_at_start(const std::vector<std::string>& args) {
  if (records_at_start(args, read_setting(kRecordWhenRun))) record();
}

void Recorder::set_path(const std::string& path) {
  current_path_ = path;
  view_->file_changed();
}

void Recorder::open_writer_and_start() {
  const int format = read_setting(kFormat);
  if (format == kRecordMp3) {
    writer_ = open_mp3_sink(mp3_settings_, current_path_, 44100, 2);
  } else {
    writer_ = open_recording_sink(current_path_, format, stored_recording_format());
  }
  if (writer_->failed()) {
    show_error("Vocatrack ne peut ouvrir le fichier \"" + current_path_ +
               "\" pour l'enregistrement.\r\n\r\nVeuillez vérifier que vous avez sélectionné le répertoire "
               "de destination adéquat dans paramètres.");
    writer_.reset();
    set_path(std::string());
    return;
  }
  start_capture();
}

void Recorder::start_capture() {
  engine_.stop();
  if (writer_->failed()) return;
  engine_.device = static_cast<uint8_t>(read_setting(kRecordDevice));
  engine_.input_line = static_cast<int8_t>(read_setting(kRecordChan));
  if (read_setting(kRecordTone)) play_tone(IDW_START_TONE);
  int8_t threshold = -127;
  int32_t hang_ms = kNoGateHangMs;
  if (read_setting(kVoiceActivate)) {
    threshold = static_cast<int8_t>(std::max(-127, std::min(127, read_setting(kVoiceActivateLevel))));
    hang_ms = kVoiceHangMs;
  }
  engine_.set_sink(writer_);
  if (!engine_.start(kEngineLimitMs, threshold, hang_ms)) {
    show_error(
        "Vocatrack ne peut ouvrir le dispositif audio pour l'enregistrement.\r\n\r\nVeuillez vérifier que vous "
        "avez sélectionné le Dispositif d'Enregistrement Audio adéquat dans Paramètres");
  }
  if (read_setting(kIntervalTone)) view_->start_interval_timer(static_cast<UINT>(read_setting(kIntervalSecs)) * 1000u);
}

void Recorder::pause() {
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

void Recorder::on_recording(uint32_t) {
  record_lit_ = true;
  pause_lit_ = false;
  display_state_ = kDisplayRecording;
  view_->state_changed();
}

void Recorder::on_waiting_for_voice(uint32_t) {
  record_lit_ = true;
  pause_lit_ = false;
  display_state_ = kDisplayWaiting;
  view_->state_changed();
}

void Recorder::on_stopped(uint32_t) {
  view_->levels_changed(silence());
  record_lit_ = false;
  pause_lit_ = true;
  display_state_ = kDisplayReady;
  view_->state_changed();
  if (exit_when_stopped_) exit();
}

void Recorder::on_time(uint32_t, int32_t ms) {
  if (read_setting(kCheckMaxTime) && parse_max_time_ms(read_setting(kMaxTime).c_str()) < ms) {
    stop_and_mark();
    if (!read_setting(kStopReachMaxTime)) record();
    return;
  }
  view_->time_changed(ms);
}

void Recorder::on_levels(uint32_t, const LevelRecord& levels) {
  view_->levels_changed(engine_.state() == kCaptureStopped ? silence() : levels);
}

}  // namespace vt
