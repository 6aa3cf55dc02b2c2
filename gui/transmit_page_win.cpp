#include "gui/transmit_page_win.h"

#include <cstdio>

#include <commdlg.h>
#include <ole2.h>
#include <shlobj.h>

#include "gui/options_page_win.h"
#include "gui/options_rules.h"
#include "base/paths.h"
#include "delivery/delivery_settings.h"
#include "win/handles_win.h"
#include "win/settings_win.h"
#include "gui/transmit_page_res.h"
#include "ui/folder_picker_win.h"

namespace vt {

namespace {

constexpr int kTextLimit = 260;

// The folder of a program path or command template: its first token (quoted or
// not) up to the last separator.
std::string program_folder_of(const std::string& command) {
  std::string program = command;
  if (!program.empty() && program[0] == '"') {
    size_t close = program.find('"', 1);
    program = program.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  size_t slash = program.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : program.substr(0, slash);
}

}  // namespace

bool folder_is_writable(const std::string& folder) {
  // A name of its own, created only where no file has it: a user's file is never
  // replaced or deleted by the test.
  for (unsigned attempt = 0; attempt < 16; ++attempt) {
    char name[64];
    std::snprintf(name, sizeof name, "__wt%lu_%lu_%u.tmp", GetCurrentProcessId(), GetTickCount(), attempt);
    std::string probe = join_path(folder, name);
    OwnedHandle file(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      file.reset();
      DeleteFileA(probe.c_str());
      return true;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  return false;
}

PROPSHEETPAGEA TransmitPage::sheet_page() {
  return make_sheet_page(IDD_TRANSMIT_PAGE, true);
}

INT_PTR TransmitPage::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      on_init();
      return TRUE;
    case WM_COMMAND:
      return on_command(LOWORD(wparam), HIWORD(wparam));
    case WM_NOTIFY:
      switch (reinterpret_cast<NMHDR*>(lparam)->code) {
        case PSN_HELP:
          hooks_.show_help(page_, TRANSMIT_PAGE_HELP_CONTEXT);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

void TransmitPage::on_init() {
  static const int kEdits[] = {IDC_TRANSMIT_EMAIL_TO,      IDC_TRANSMIT_FTP_SERVER,    IDC_TRANSMIT_FTP_USER,
                               IDC_TRANSMIT_FTP_PASSWORD,  IDC_TRANSMIT_FTP_DIRECTORY, IDC_TRANSMIT_MIRROR_FOLDER,
                               IDC_TRANSMIT_RUN_EXE};
  for (int id : kEdits) SendDlgItemMessageA(page_, id, EM_LIMITTEXT, kTextLimit - 1, 0);

  DeliverySettings methods = load_delivery_settings(core_);
  EmailSettings email = load_email_settings(email_);
  // The sender reads a missing folder as empty; the page offers the server's root.
  FtpSettings ftp = load_ftp_settings(ftp_, "/");
  set_ticked(page_, IDC_TRANSMIT_EMAIL, methods.email);
  SetDlgItemTextA(page_, IDC_TRANSMIT_EMAIL_TO, email.to.c_str());
  set_ticked(page_, IDC_TRANSMIT_FTP, methods.ftp);
  SetDlgItemTextA(page_, IDC_TRANSMIT_FTP_SERVER, ftp.server.c_str());
  SetDlgItemTextA(page_, IDC_TRANSMIT_FTP_USER, ftp.user.c_str());
  SetDlgItemTextA(page_, IDC_TRANSMIT_FTP_PASSWORD, ftp.password.c_str());
  SetDlgItemTextA(page_, IDC_TRANSMIT_FTP_DIRECTORY, ftp.directory.c_str());
  set_ticked(page_, IDC_TRANSMIT_FTP_TLS, ftp.secure);
  set_ticked(page_, IDC_TRANSMIT_MIRROR, methods.mirror);
  SetDlgItemTextA(page_, IDC_TRANSMIT_MIRROR_FOLDER, methods.mirror_folder.c_str());
  set_ticked(page_, IDC_TRANSMIT_RUN, methods.program);
  SetDlgItemTextA(page_, IDC_TRANSMIT_RUN_EXE, methods.program_template.c_str());
  update_enabling();
}

bool TransmitPage::on_command(int id, int notification) {
  if (notification != BN_CLICKED) return false;
  switch (id) {
    case IDC_TRANSMIT_EMAIL:
    case IDC_TRANSMIT_FTP:
    case IDC_TRANSMIT_MIRROR:
    case IDC_TRANSMIT_RUN:
      update_enabling();
      return true;
    case IDC_TRANSMIT_EMAIL_SETTINGS:
      hooks_.edit_email_settings(page_);
      return true;
    case IDC_TRANSMIT_MIRROR_BROWSE:
      browse_mirror_folder();
      return true;
    case IDC_TRANSMIT_RUN_BROWSE:
      browse_program();
      return true;
  }
  return false;
}

void TransmitPage::update_enabling() {
  static const int kEmail[] = {IDC_TRANSMIT_EMAIL_TO_LABEL, IDC_TRANSMIT_EMAIL_TO, IDC_TRANSMIT_EMAIL_SETTINGS};
  static const int kFtp[] = {IDC_TRANSMIT_FTP_SERVER_LABEL,   IDC_TRANSMIT_FTP_SERVER,   IDC_TRANSMIT_FTP_USER_LABEL,
                             IDC_TRANSMIT_FTP_USER,           IDC_TRANSMIT_FTP_PASSWORD_LABEL,
                             IDC_TRANSMIT_FTP_PASSWORD,       IDC_TRANSMIT_FTP_DIRECTORY_LABEL,
                             IDC_TRANSMIT_FTP_DIRECTORY,      IDC_TRANSMIT_FTP_TLS};
  static const int kMirror[] = {IDC_TRANSMIT_MIRROR_FOLDER, IDC_TRANSMIT_MIRROR_BROWSE};
  static const int kRun[] = {IDC_TRANSMIT_RUN_EXE, IDC_TRANSMIT_RUN_BROWSE};
  enable_items(page_, kEmail, 3, is_ticked(page_, IDC_TRANSMIT_EMAIL));
  enable_items(page_, kFtp, 9, is_ticked(page_, IDC_TRANSMIT_FTP));
  enable_items(page_, kMirror, 2, is_ticked(page_, IDC_TRANSMIT_MIRROR));
  enable_items(page_, kRun, 2, is_ticked(page_, IDC_TRANSMIT_RUN));
}

void TransmitPage::browse_mirror_folder() {
  std::string chosen;
  if (pick_folder(page_, "Parcourir pour trouver le répertoire", text(IDC_TRANSMIT_MIRROR_FOLDER), &chosen))
    SetDlgItemTextA(page_, IDC_TRANSMIT_MIRROR_FOLDER, chosen.c_str());
}

void TransmitPage::browse_program() {
  std::string current = text(IDC_TRANSMIT_RUN_EXE);
  std::string start = current.empty() ? read_setting(kOpenExeDir) : program_folder_of(current);
  char path[MAX_PATH] = {};
  OPENFILENAMEA open = {};
  open.lStructSize = sizeof open;
  open.hwndOwner = page_;
  open.lpstrFilter = "Exe File (.exe)\0*.exe;\0";
  open.lpstrFile = path;
  open.nMaxFile = sizeof path;
  open.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
  open.lpstrTitle = "Parcourir pour trouver l'exe";
  open.lpstrDefExt = "exe";
  open.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameA(&open)) return;
  SetDlgItemTextA(page_, IDC_TRANSMIT_RUN_EXE, path);
  write_setting(kOpenExeDir, program_folder_of(path).c_str());
}

std::string TransmitPage::text(int id) const { return dialog_item_text(page_, id, kTextLimit); }

// Groups are checked and stored one after the other: a refusal leaves the groups
// before it stored and the page open on the field to correct.
bool TransmitPage::apply() { return apply_email() && apply_ftp() && apply_mirror() && apply_program(); }

bool TransmitPage::apply_email() {
  bool on = is_ticked(page_, IDC_TRANSMIT_EMAIL);
  std::string to = text(IDC_TRANSMIT_EMAIL_TO);
  if (on && !is_plausible_email_address(to.c_str())) {
    refuse_apply(page_,
                 "Veuillez entrer l'adresse email de la personne à qui vous souhaitez envoyer les enregistrements.",
                 "Adresse Email Invalide");
    return false;
  }
  // Loaded again: the e-mail settings dialog may have stored the section meanwhile.
  DeliverySettings methods = load_delivery_settings(core_);
  methods.email = on;
  save_delivery_settings(core_, methods);
  EmailSettings email = load_email_settings(email_);
  email.to = to;
  save_email_settings(email_, email);
  return true;
}

bool TransmitPage::apply_ftp() {
  bool on = is_ticked(page_, IDC_TRANSMIT_FTP);
  std::string server = text(IDC_TRANSMIT_FTP_SERVER), user = text(IDC_TRANSMIT_FTP_USER);
  std::string password = text(IDC_TRANSMIT_FTP_PASSWORD);
  if (on && (server.empty() || user.empty() || password.empty())) {
    refuse_apply(page_, "Le serveur FTP ou les détails utilisateur sont demandés.", nullptr);
    return false;
  }
  DeliverySettings methods = load_delivery_settings(core_);
  methods.ftp = on;
  save_delivery_settings(core_, methods);
  save_ftp_settings(ftp_, FtpSettings{server, user, password, text(IDC_TRANSMIT_FTP_DIRECTORY),
                                      is_ticked(page_, IDC_TRANSMIT_FTP_TLS)});
  return true;
}

bool TransmitPage::apply_mirror() {
  bool on = is_ticked(page_, IDC_TRANSMIT_MIRROR);
  std::string folder = text(IDC_TRANSMIT_MIRROR_FOLDER);
  if (on && folder.empty()) {
    refuse_apply(page_,
                 "Le répertoire spécifié est invalide. Veuillez sélectionner un répertoire valide vers lequel vous "
                 "souhaitez faire une sauvegarde des enregistrements.",
                 "Répertoire Invalide");
    return false;
  }
  if (on && !folder_is_writable(folder)) {
    refuse_apply(page_,
                 "Vous n'avez pas l'autorisation d'écrire dans le répertoire spécifié. Veuillez sélectionner un "
                 "répertoire valide auquel transmettre les enregistrements.",
                 nullptr);
    return false;
  }
  DeliverySettings methods = load_delivery_settings(core_);
  methods.mirror = on;
  methods.mirror_folder = folder;
  save_delivery_settings(core_, methods);
  return true;
}

bool TransmitPage::apply_program() {
  bool on = is_ticked(page_, IDC_TRANSMIT_RUN);
  std::string program = text(IDC_TRANSMIT_RUN_EXE);
  if (on && program.empty()) {
    refuse_apply(page_, "Veuillez entrer le fichier exe ou bat que vous souhaitez lancer.", "Fichier Exe Invalide");
    return false;
  }
  DeliverySettings methods = load_delivery_settings(core_);
  methods.program = on;
  methods.program_template = program;
  save_delivery_settings(core_, methods);
  return true;
}

}  // namespace vt
