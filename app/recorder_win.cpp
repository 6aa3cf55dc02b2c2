// The recorder's five commands and the steps they share. Every one runs on the main
// thread; the capture engine reports back through the listener in main_window_win.cpp.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>

#include "app/main_window_res.h"
#include "app/main_window_win.h"
#include "base/paths.h"
#include "win/settings_win.h"
#include "formats/file_writers.h"
#include "formats/mp3_sink_win.h"
#include "recorder/recording_format_win.h"
#include "gui/recording_name_win.h"
#include "formats/wave_format.h"

namespace vt {

namespace {

const int32_t kEngineLimitMs = 14400000;        // four hours
const int32_t kVoiceHangMs = 5000;
const int32_t kNoGateHangMs = 216000000;

bool engine_running(uint8_t state) { return state != kCaptureStopped; }

}  // namespace

void MainWindow::Record() {
  if (engine_running(engine_.state())) return;
  const int format = read_setting(kFormat);
  if (format < 0 || format > 2) return;
  if (!current_path_.empty()) {
    // Paused: carry on in the same file, or start it afresh after Restart.
    if (!reopen_) {
      StartCapture();
    } else {
      OpenWriterAndStart();
      reopen_ = false;
    }
    return;
  }
  std::string path;
  if (!new_recording_name(window_, &path)) return;
  current_path_ = path;
  ShowFileName();
  OpenWriterAndStart();
}

void MainWindow::RecordFile(const std::string& path) {
  current_path_ = path.size() > kMaxPathChars ? path.substr(0, kMaxPathChars) : path;
  ShowFileName();
  OpenWriterAndStart();
}

void MainWindow::save_wav_group(const WavSwitchGroup& group) {
  WaveFormat base = default_recording_format();
  FormatBuffer stored;
  if (load_recording_format(stored) && stored.format.format_tag == kFormatTagPcm) base = stored.format;
  int rate, channels, bits;
  // Slots the group did not name keep the stored PCM format's values.
  if (!wav_group_format(group, static_cast<int>(base.sample_rate), base.channels, base.bits_per_sample, &rate,
                        &channels, &bits))
    return;
  save_recording_format(format_buffer_of(make_pcm_format(channels, bits, rate)));
  ShowFormatText();
}

void MainWindow::OpenWriterAndStart() {
  const int format = read_setting(kFormat);
  if (format == kRecordMp3) {
    writer_ = open_mp3_sink(mp3_settings_, current_path_, 44100, 2);
  } else {
    writer_ = open_recording_sink(current_path_, format, stored_recording_format());
  }
  if (writer_->failed()) {
    std::string text = "Vocatrack ne peut ouvrir le fichier \"" + current_path_ +
                       "\" pour l'enregistrement.\r\n\r\nVeuillez vérifier que vous avez sélectionné le répertoire "
                       "de destination adéquat dans paramètres.";
    MessageBoxA(window_, text.c_str(), "", MB_OK | MB_ICONERROR);
    writer_.reset();
    current_path_.clear();
    ShowFileName();
    return;
  }
  StartCapture();
}

void MainWindow::StartCapture() {
  engine_.Stop();
  if (writer_->failed()) return;
  engine_.device = static_cast<uint8_t>(read_setting(kRecordDevice));
  engine_.input_line = static_cast<int8_t>(read_setting(kRecordChan));
  if (read_setting(kRecordTone)) PlayTone(IDW_START_TONE);
  int8_t threshold = -127;
  int32_t hang_ms = kNoGateHangMs;
  if (read_setting(kVoiceActivate)) {
    threshold = static_cast<int8_t>(std::max(-127, std::min(127, read_setting(kVoiceActivateLevel))));
    hang_ms = kVoiceHangMs;
  }
  engine_.SetSink(writer_);
  if (!engine_.Start(kEngineLimitMs, threshold, hang_ms)) {
    MessageBoxA(window_,
                "Vocatrack ne peut ouvrir le dispositif audio pour l'enregistrement.\r\n\r\nVeuillez vérifier que vous "
                "avez sélectionné le Dispositif d'Enregistrement Audio adéquat dans Paramètres",
                "", MB_OK | MB_ICONERROR);
  }
  if (read_setting(kIntervalTone))
    SetTimer(window_, kTimerInterval, static_cast<UINT>(read_setting(kIntervalSecs)) * 1000u, nullptr);
}

void MainWindow::Pause() {
  if (engine_running(engine_.state())) {
    if (read_setting(kStoppedTone)) PlayTone(IDW_STOP_TONE);  // while capture still runs
    KillTimer(window_, kTimerInterval);
    engine_.Stop();
  }
  reopen_ = false;
}

void MainWindow::Restart() {
  const bool was_recording = engine_.state() == kCaptureRecording;
  Pause();
  writer_.reset();  // the file is finalised and closed
  if (was_recording) OpenWriterAndStart();
  reopen_ = true;
  ShowTime(0);
}

void MainWindow::StopAndMark() {
  if (current_path_.empty()) return;
  Pause();
  writer_.reset();
  hooks_->recording_finished(current_path_);
  current_path_.clear();
  if (read_setting(kLaunchPlayWhenStop) && !hooks_->recordings_list_open()) hooks_->open_recordings_list();
  ShowFileName();
  ShowTime(0);
  if (hooks_->recordings_list_open()) hooks_->refresh_recordings_list();
}

void MainWindow::Exit() {
  if (hooks_->recordings_list_open()) hooks_->close_recordings_list();
  DestroyWindow(window_);
}

void MainWindow::PlayTone(int resource) {
  PlaySoundA(MAKEINTRESOURCEA(resource), instance_, SND_RESOURCE | SND_SYNC | SND_NODEFAULT);
}

void MainWindow::ShowFormatText() {
  // The MP3 line comes from the record in memory: switches may have changed it for this run.
  shown_.file_info = format_description(read_setting(kFormat), stored_recording_format().format, mp3_settings_);
  panel_.update(shown_);
}

}  // namespace vt
