#include "gui/recording_save_as_win.h"

#include <commdlg.h>

#include <cstring>

#include "base/paths.h"
#include "formats/file_readers.h"
#include "formats/file_writers.h"
#include "formats/mp3_sink_win.h"
#include "gui/mp3_encode_dlg_win.h"
#include "library/list_hand_over.h"
#include "recorder/recording_format_win.h"
#include "setup/components_win.h"
#include "setup/server_addresses.h"
#include "setup/setup_fetch_win.h"
#include "ui/format_chooser_win.h"
#include "ui/pump_task_win.h"
#include "win/handles_win.h"
#include "win/settings_win.h"

namespace vt {

namespace {

const char kCaption[] = "Enregistrement du Fichier";
const char kEncoderComponent[] = "mp3el";
// How long a finished encoder may still hold its output before the save gives up.
const DWORD kEncoderFinishMs = 30000;

// The MP3 sink is made inside the dialog: starting the encoder is part of the work.
class Mp3SaveTask : public PumpTask {
 public:
  Mp3SaveTask(SourceRef source, const EncoderSettings& settings, const std::string& path)
      : PumpTask(kCaption, "Encoding mp3", source), source_(source), settings_(settings), path_(path) {}

 protected:
  SinkRef open_sink() override { return open_mp3_sink(settings_, path_, source_->sample_rate, source_->channels); }

 private:
  SourceRef source_;
  EncoderSettings settings_;
  std::string path_;
};

bool file_exists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Both names reach the same file (also through another spelling of the path).
bool same_file(const std::string& a, const std::string& b) {
  OwnedHandle first(CreateFileA(a.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  OwnedHandle second(CreateFileA(b.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  if (!first || !second) return false;
  BY_HANDLE_FILE_INFORMATION x, y;
  if (GetFileInformationByHandle(first.get(), &x) && GetFileInformationByHandle(second.get(), &y))
    return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
  char full_a[MAX_PATH], full_b[MAX_PATH];
  return GetFullPathNameA(a.c_str(), MAX_PATH, full_a, nullptr) && GetFullPathNameA(b.c_str(), MAX_PATH, full_b, nullptr) &&
         lstrcmpiA(full_a, full_b) == 0;
}

// The target, or false when the user gave up.
bool ask_for_target(HWND owner, const std::string& source_path, std::string* target) {
  char file[MAX_PATH] = {};
  for (;;) {
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "Audio Files\0*.WAV;*.MP3\0Wave Files\0*.WAV\0MPEG Layer-3 Files\0*.MP3\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = static_cast<DWORD>(kMaxPathChars);
    dialog.lpstrTitle = "Enregistrer le Fichier";
    dialog.lpstrDefExt = "wav";
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameA(&dialog)) return false;
    if (save_format_of(file) == kNoRecordingFormat) {
      MessageBoxA(owner, "Seuls les formats wav et mp3 peuvent être enregistrés. Veuillez choisir un nom de fichier "
                         "se terminant par .wav ou .mp3.",
                  "Enregistrer le Fichier", MB_OK | MB_ICONINFORMATION);
      continue;
    }
    if (!file_exists(file)) break;
    if (same_file(file, source_path)) {
      MessageBoxA(owner, "Un enregistrement ne peut être enregistré sur lui-même. Veuillez choisir un autre nom.",
                  "Le Fichier Existe", MB_OK | MB_ICONINFORMATION);
      continue;
    }
    int answer = MessageBoxA(owner, "Il existe un autre fichier portant le même nom. Voulez vous le remplacer? ",
                             "Le Fichier Existe", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES) break;
    if (answer != IDNO) return false;
  }
  *target = file;
  return true;
}

// kStopped also when the user cancelled the chooser.
Outcome save_as_wav(HWND owner, SourceRef source, const std::string& work_path) {
  FormatBuffer format = format_buffer_of(make_pcm_format(1, 16, 11025));
  load_recording_format(format);
  if (format.format.format_tag == kFormatTagPcm) {
    format.format = make_pcm_format(1, format.format.bits_per_sample ? format.format.bits_per_sample : 16, 11025);
  }
  if (!choose_codec_format(format)) return Outcome::kStopped;
  save_recording_format(format);
  return run_pump_task(owner, kCaption, "Enregistrement du fichier...", source, open_wav_writer(format, work_path));
}

void show_component_message(HWND owner) {
  std::string text =
      "La composante \"mp3el\" n'a pas encore été installée. Cette composante gratuite peut être téléchargée et "
      "installée depuis " +
      web_page_url(web_site(), kComponentsPage) + ".";
  MessageBoxA(owner, text.c_str(), nullptr, MB_OK | MB_ICONERROR);
}

// kStopped also when the user gave up before anything was written.
Outcome save_as_mp3(HWND owner, SourceRef source, const std::string& work_path) {
  if (component_path(kEncoderComponent).empty()) install_component(kEncoderComponent, owner, "Installer sur Demande");
  if (component_path(kEncoderComponent).empty()) {
    show_component_message(owner);
    return Outcome::kStopped;
  }
  RegistrySection store(Hive::Machine, kSectionMp3Encoder);
  EncoderSettings settings = load_encoder_settings(store);
  if (!show_encoder_dialog(settings, owner, store)) return Outcome::kStopped;
  Mp3SaveTask task(source, settings, work_path);
  run_progress_task(&task, owner);
  return task.result;
}

// Moves the finished work file onto the target; the encoder may still be closing it.
bool put_in_place(const std::string& work_path, const std::string& target) {
  for (DWORD waited = 0;; waited += 100) {
    if (MoveFileExA(work_path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) return true;
    if (waited >= kEncoderFinishMs || wait_with_messages(nullptr, 100)) return false;
  }
}

void remove_work_file(const std::string& work_path) {
  for (DWORD waited = 0; file_exists(work_path) && !DeleteFileA(work_path.c_str()) && waited < kEncoderFinishMs;
       waited += 100)
    wait_with_messages(nullptr, 100);
}

}  // namespace

void save_recording_as(HWND owner, const std::string& source_path) {
  std::string target;
  if (!ask_for_target(owner, source_path, &target)) return;
  const std::string work_path = save_work_path(target);
  remove_work_file(work_path);
  const RecordingFormatRow* format = recording_format(save_format_of(target));
  Outcome result;
  {
    // The format's options are asked for first: the codec format or the encoder settings.
    SourceRef source = open_audio_file(source_path);
    result = format->options == FormatOptions::kEncoder ? save_as_mp3(owner, source, work_path)
                                                        : save_as_wav(owner, source, work_path);
  }  // the source is closed before its file may be replaced
  if (result == Outcome::kDone && put_in_place(work_path, target)) return;
  remove_work_file(work_path);
  if (result == Outcome::kDone || result == Outcome::kFailed) {
    if (format->needs_encoder && component_path(kEncoderComponent).empty()) {
      show_component_message(owner);
      return;
    }
    std::string text = "Le fichier \"" + target + "\" n'a pas pu être enregistré.";
    MessageBoxA(owner, text.c_str(), nullptr, MB_OK | MB_ICONERROR);
  }
}

}  // namespace vt
