#include "gui/output_page_win.h"

#include <shlobj.h>

#include "base/paths.h"
#include "win/settings_win.h"
#include "ui/format_chooser_win.h"
#include "gui/mp3_encode_dlg_win.h"
#include "formats/mp3_encoder.h"
#include "recorder/name_pattern.h"
#include "gui/output_page_res.h"
#include "formats/recording_formats.h"
#include "recorder/recording_name_win.h"
#include "setup/components_win.h"
#include "ui/folder_picker_win.h"

namespace vt {

namespace {

// A drive with less than this much space for the user is refused by the browser.
constexpr uint64_t kLeastFreeBytes = 1024;

void show_error(HWND owner, const char* text, const char* caption) {
  MessageBoxA(owner, text, caption, MB_OK | MB_ICONERROR);
}

void show_information(HWND owner, const char* text, const char* caption) {
  MessageBoxA(owner, text, caption, MB_OK | MB_ICONINFORMATION);
}

bool is_folder(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// WavCodec.wff lives in the per-user data folder; an unreadable one stands for the
// default PCM format. A cancelled chooser leaves the file as it was.
void OutputPageServices::choose_wav_format(HWND) {
  std::string path = join_path(per_user_data_folder(), "WavCodec.wff");
  FormatBuffer format;
  if (!load_recording_format_file(path, format)) format = format_buffer_of(default_recording_format());
  if (choose_codec_format(format)) save_recording_format_file(path, format);
}

bool OutputPageServices::has_mp3_options() { return true; }

void OutputPageServices::edit_mp3_options(HWND owner) {
  RegistrySection store(Hive::Machine, kSectionMp3Encoder);
  EncoderSettings settings = load_encoder_settings(store);
  show_encoder_dialog(settings, owner, store);
}

bool OutputPageServices::pick_folder(HWND owner, const std::string& start, std::string* chosen) {
  return vt::pick_folder(owner, "Localisez le répertoire de destination:", start, chosen);
}

bool OutputPageServices::free_space(const std::string& drive, uint64_t* bytes) {
  ULARGE_INTEGER available, total, free;
  if (!GetDiskFreeSpaceExA(drive.c_str(), &available, &total, &free)) return false;
  *bytes = available.QuadPart;
  return true;
}

bool OutputPageServices::ensure_mp3_component(HWND owner) {
  return install_component("mp3el", owner, "Télécharger la composante sur demande");
}

OutputPage::OutputPage(OutputPageServices* services) : services_(services ? services : &default_services_) {}

PROPSHEETPAGEA OutputPage::sheet_page() {
  return make_sheet_page(IDD_OUTPUT_PAGE);
}

INT_PTR OutputPage::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      on_init();
      return TRUE;
    case WM_COMMAND:
      on_command(LOWORD(wparam), HIWORD(wparam));
      return TRUE;
  }
  return FALSE;
}

void OutputPage::on_init() {
  HWND list = GetDlgItem(page_, IDC_OUTPUT_FORMAT_LIST);
  for (const RecordingFormatRow& row : kRecordingFormats)
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.name));
  SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(read_setting(kFormat)), 0);
  SendDlgItemMessageA(page_, IDC_OUTPUT_FOLDER, EM_LIMITTEXT, kMaxPathChars, 0);
  SendDlgItemMessageA(page_, IDC_OUTPUT_PATTERN, EM_LIMITTEXT, kMaxPathChars, 0);
  SetDlgItemTextA(page_, IDC_OUTPUT_FOLDER, destination_folder().c_str());
  SetDlgItemTextA(page_, IDC_OUTPUT_PATTERN, read_setting(kFileNameFormat).c_str());
  CheckRadioButton(page_, IDC_OUTPUT_ASK_NAME, IDC_OUTPUT_USE_PATTERN,
                   read_setting(kPromptForName) ? IDC_OUTPUT_ASK_NAME : IDC_OUTPUT_USE_PATTERN);
  update_enabling();
}

void OutputPage::on_command(int id, int notification) {
  switch (id) {
    case IDC_OUTPUT_FORMAT_LIST:
      if (notification == CBN_SELCHANGE) update_enabling(), mark_changed();
      break;
    case IDC_OUTPUT_FORMAT_OPTIONS: on_format_options(); break;
    case IDC_OUTPUT_BROWSE: on_browse(); break;
    case IDC_OUTPUT_ASK_NAME:
    case IDC_OUTPUT_USE_PATTERN:
      if (notification == BN_CLICKED) update_enabling(), mark_changed();
      break;
    case IDC_OUTPUT_FOLDER:
    case IDC_OUTPUT_PATTERN:
      if (notification == EN_CHANGE) mark_changed();
      break;
    case IDC_OUTPUT_PREVIEW: on_preview(); break;
  }
}

void OutputPage::update_enabling() {
  bool use_pattern = IsDlgButtonChecked(page_, IDC_OUTPUT_USE_PATTERN) == BST_CHECKED;
  EnableWindow(GetDlgItem(page_, IDC_OUTPUT_PATTERN), use_pattern);
  EnableWindow(GetDlgItem(page_, IDC_OUTPUT_PREVIEW), use_pattern);
  const RecordingFormatRow* format = recording_format(selected_format());
  const FormatOptions options = format ? format->options : FormatOptions::kNone;
  bool has_options =
      options == FormatOptions::kCodecFormat || (options == FormatOptions::kEncoder && services_->has_mp3_options());
  EnableWindow(GetDlgItem(page_, IDC_OUTPUT_FORMAT_OPTIONS), has_options);
}

void OutputPage::mark_changed() { PropSheet_Changed(GetParent(page_), page_); }

void OutputPage::on_format_options() {
  const RecordingFormatRow* format = recording_format(selected_format());
  const FormatOptions options = format ? format->options : FormatOptions::kNone;
  if (options == FormatOptions::kCodecFormat) services_->choose_wav_format(page_);
  else if (options == FormatOptions::kEncoder && services_->has_mp3_options()) services_->edit_mp3_options(page_);
}

// Browses again after a refusal; cancelling keeps what the edit holds.
void OutputPage::on_browse() {
  std::string chosen;
  while (services_->pick_folder(page_, item_text(IDC_OUTPUT_FOLDER), &chosen)) {
    uint64_t bytes = 0;
    if (services_->free_space(drive_of_folder(chosen), &bytes) && bytes < kLeastFreeBytes) {
      show_error(page_,
                 "Il n'y a pas d'espace libre sur le disque du répertoire sélectionné. Veuillez sélectionner "
                 "un autre répertoire et réessayez.",
                 "Pas d'espace libre");
      continue;
    }
    SetDlgItemTextA(page_, IDC_OUTPUT_FOLDER, chosen.c_str());
    return;
  }
}

// The counter of the sample looks at the saved folder and format, not at the page's.
void OutputPage::on_preview() {
  std::string name = expand_name_pattern(item_text(IDC_OUTPUT_PATTERN));
  show_information(page_, name.c_str(), "Nom du Fichier d'Echantillonnage");
}

// Each step saves its values only once its checks passed; a refusal leaves every
// later value as it was.
bool OutputPage::apply() {
  if (!apply_pattern()) return false;
  write_setting(kPromptForName, IsDlgButtonChecked(page_, IDC_OUTPUT_ASK_NAME) == BST_CHECKED);
  return apply_folder() && apply_format();
}

bool OutputPage::apply_pattern() {
  if (IsDlgButtonChecked(page_, IDC_OUTPUT_USE_PATTERN) != BST_CHECKED) return true;
  std::string pattern = item_text(IDC_OUTPUT_PATTERN);
  const char* refusal = nullptr;
  switch (check_name_pattern(pattern)) {
    case PatternCheck::kValid: break;
    case PatternCheck::kEmpty: refusal = "Le format du nom de fichier est invalide. Veuillez réessayer."; break;
    case PatternCheck::kTextAfterCounter:
      refusal = "Les formats de noms contenant \"%autonumber%\" ne peuvent avoir de post-chaîne. Veuillez réessayer.";
      break;
    case PatternCheck::kNoCounterOrSeconds:
      refusal = "Le format du nom de fichier doit contenir soit \"%autonumber%\" soit \"%SS%\". Veuillez réessayer.";
      break;
  }
  if (refusal) {
    show_error(page_, refusal, "Format invalide");
    SetFocus(GetDlgItem(page_, IDC_OUTPUT_PATTERN));
    return false;
  }
  write_setting(kFileNameFormat, pattern.c_str());
  return true;
}

bool OutputPage::apply_folder() {
  static const char kInvalidCaption[] = "Répertoire de destination invalide";
  std::string folder = item_text(IDC_OUTPUT_FOLDER);
  if (folder.empty()) {
    show_error(page_, "Répertoire de destination invalide. Veuillez réessayer.", kInvalidCaption);
    SetFocus(GetDlgItem(page_, IDC_OUTPUT_FOLDER));
    return false;
  }
  if (!is_folder(folder)) {
    int answer = MessageBoxA(page_, "Le répertoire de destination spécifié n'existe pas. Voulez vous le créer maintenant?",
                             "Créer Répertoire", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer != IDYES) return false;
    // Only the last level is made: a mistyped parent must not grow a tree of folders.
    if (parent_of_folder(folder).empty()) {
      show_information(page_, "Impossible de créer le répertoire spécifié. Veuillez entrer un répertoire valide.",
                       kInvalidCaption);
      return false;
    }
    if (!CreateDirectoryA(folder.c_str(), nullptr)) {
      show_information(page_, "Impossible de créer le répertoire spécifié. Veuillez réessayer.", kInvalidCaption);
      return false;
    }
  }
  if (!same_text_ignoring_case(folder, destination_folder())) {
    destination_changed_ = true;
    services_->destination_changed();
  }
  write_setting(kOutputFolder, folder.c_str());
  return true;
}

bool OutputPage::apply_format() {
  int format = selected_format();
  if (format < 0) return true;  // nothing chosen: the saved format stays
  // The whole sheet waits for the download: OK or Cancel meanwhile would end it under the task.
  const RecordingFormatRow* row = recording_format(format);
  if (row && row->needs_encoder && !services_->ensure_mp3_component(GetParent(page_))) return false;
  write_setting(kFormat, format);
  return true;
}

std::string OutputPage::item_text(int id) const {
  char buffer[kMaxPathChars + 1] = {};
  GetDlgItemTextA(page_, id, buffer, sizeof buffer);
  return buffer;
}

int OutputPage::selected_format() const {
  return static_cast<int>(SendDlgItemMessageA(page_, IDC_OUTPUT_FORMAT_LIST, CB_GETCURSEL, 0, 0));
}

}  // namespace vt
