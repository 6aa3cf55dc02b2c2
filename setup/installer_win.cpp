#include "setup/installer_win.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "base/binary_file.h"
#include "base/paths.h"
#include "base/settings_names.h"
#include "setup/help_pages.h"
#include "setup/install_places_win.h"
#include "setup/installer_file.h"
#include "setup/payload_table.h"
#include "setup/version_reply.h"
#include "ui/help_win.h"
#include "win/handles_win.h"
#include "win/settings_win.h"

namespace vt {
namespace {

const char kInstallCaption[] = "Erreur d’installation";
const char kCorruptText[] =
    "Fichier d’installation corrompu.\n\nUne erreur de checksum a été détectée dans votre fichier d’installation. "
    "Veuillez réinstaller le fichier.";
const DWORD kCopyChunk = 4096;

std::string format_path_message(const char* format, const std::string& path) {
  std::vector<char> text(std::strlen(format) + path.size() + 1);
  std::snprintf(text.data(), text.size(), format, path.c_str());
  return text.data();
}

void report_cannot_create(HWND owner, const std::string& path, DWORD error) {
  std::string text =
      error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED
          ? format_path_message(
                "Veuillez vérifier que vous soyez bien sorti de toute application de Vocatrack Sound Recorder "
                "précédemment lancée et de tout autre programme susceptible d'utiliser le fichier \"%s\". Ensuite, "
                "lancer à nouveau l'installateur. \r\n\r\nL'installation ne peut être accomplie car le fichier est "
                "actuellement en cours d'utilisation.",
                path)
          : format_path_message(
                "L'installation ne peut être accomplie car le fichier \"%s\" ne peut recevoir d'enregistrements.", path);
  MessageBoxA(owner, text.c_str(), kInstallCaption, MB_OK | MB_ICONERROR);
}

bool append_marker(const std::string& path, uint32_t marker) {
  OwnedHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return false;
  unsigned char bytes[4] = {static_cast<unsigned char>(marker), static_cast<unsigned char>(marker >> 8),
                            static_cast<unsigned char>(marker >> 16), static_cast<unsigned char>(marker >> 24)};
  DWORD written = 0;
  return WriteFile(file.get(), bytes, 4, &written, nullptr) && written == 4;
}

// Copies `size` bytes from the installer's current position into a new file; the
// bar shows `*copied` of `total`.
Outcome copy_payload(ProgressTask* task, HWND owner, HANDLE installer, const std::string& destination, uint32_t size,
                 uint64_t* copied, uint64_t total) {
  OwnedHandle out(CreateFileA(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
  if (!out) {
    report_cannot_create(owner, destination, GetLastError());
    return Outcome::kFailed;
  }
  char buffer[kCopyChunk];
  uint32_t left = size;
  while (left > 0) {
    if (pump_and_check_cancel(task)) return Outcome::kStopped;
    DWORD want = left < kCopyChunk ? left : kCopyChunk;
    DWORD got = 0, written = 0;
    if (!ReadFile(installer, buffer, want, &got, nullptr) || got != want) return Outcome::kFailed;
    if (!WriteFile(out.get(), buffer, got, &written, nullptr) || written != got) {
      report_cannot_create(owner, destination, GetLastError());
      return Outcome::kFailed;
    }
    left -= got;
    *copied += got;
    set_progress_fraction(total ? static_cast<double>(*copied) / total : 1.0, task);
  }
  return Outcome::kDone;
}

bool read_whole_file(const std::string& path, std::string* bytes) {
  std::unique_ptr<BinaryFile> file = open_binary_file(path, FileAccess::kReadShared);
  if (!file) return false;
  int64_t size = file->size();
  if (size < 0 || size > 0x7FFFFFFF) return false;
  bytes->resize(static_cast<size_t>(size));
  return size == 0 || read_exactly(*file, &(*bytes)[0], static_cast<int>(size));
}

// Writes the pages of the bundle in `bundle_path` into `folder` (made when missing).
// A bundle that does not read whole is a damaged installer.
Outcome unpack_help_pages(HWND owner, const std::string& bundle_path, const std::string& folder) {
  std::string bundle;
  std::vector<BundledPage> pages;
  if (!read_whole_file(bundle_path, &bundle) || !read_page_bundle(bundle, &pages)) {
    MessageBoxA(owner, kCorruptText, kInstallCaption, MB_OK | MB_ICONWARNING);
    return Outcome::kFailed;
  }
  if (!create_folder_path(folder)) {
    report_cannot_create(owner, folder, GetLastError());
    return Outcome::kFailed;
  }
  for (const BundledPage& page : pages) {
    std::string path = join_path(folder, page.name);
    OwnedHandle out(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    DWORD written = 0;
    if (!out || !WriteFile(out.get(), page.bytes.data(), static_cast<DWORD>(page.bytes.size()), &written, nullptr) ||
        written != page.bytes.size()) {
      report_cannot_create(owner, path, GetLastError());
      return Outcome::kFailed;
    }
  }
  return Outcome::kDone;
}

// A payload that is not a file of its own (the pages' bundle) first goes to a
// temporary file beside the others' destination.
std::string temporary_file_in(const std::string& folder) {
  char path[MAX_PATH] = "";
  return GetTempFileNameA(folder.c_str(), "vth", 0, path) ? path : "";
}

// The encoder goes where components live; its entry is made only when the copy
// succeeded, so the recorder never points at a missing encoder.
void install_encoder_component(const std::string& folder) {
  std::string source = join_path(folder, kEncoderFileName);
  std::string component_folder = encoder_component_folder();
  std::string target = join_path(component_folder, kEncoderFileName);
  if (create_folder_path(component_folder) && CopyFileA(source.c_str(), target.c_str(), FALSE)) {
    std::string key = std::string(kComponentsKey) + "\\" + kEncoderComponent;
    write_registry_text(Hive::Machine, key.c_str(), "Path", target.c_str());
  }
  DeleteFileA(source.c_str());
}

void register_uninstaller(const std::string& program, const std::string& uninstaller) {
  std::string quoted = "\"" + uninstaller + "\"";
  write_registry_text(Hive::Machine, kUninstallKey, "DisplayName", "Vocatrack Sound Recorder Uninstall");
  write_registry_text(Hive::Machine, kUninstallKey, "UninstallString", quoted.c_str());
  write_registry_text(Hive::Machine, kUninstallKey, "DisplayIcon", program.c_str());
  write_registry_text(Hive::Machine, kUninstallKey, "DisplayVersion", kProgramVersionText);
  write_registry_text(Hive::Machine, kUninstallKey, "Publisher", "Ardentine");
}

bool finish_installation(const std::string& folder) {
  std::string program = join_path(folder, kProgramFileName);
  std::string uninstaller = join_path(folder, kUninstallerName);
  if (!CopyFileA(program.c_str(), uninstaller.c_str(), FALSE)) return false;
  // The uninstaller keeps the installer's request for an administrator; the program
  // runs with its user's rights.
  set_file_execution_level(program, false);
  if (!append_marker(program, kProgramFileMarker) || !append_marker(uninstaller, kUninstallerFileMarker)) return false;

  std::string shortcuts = shortcut_folder();
  if (!shortcuts.empty() && create_folder_path(shortcuts))
    create_shortcut(join_path(shortcuts, kProgramShortcutName), program, kProductName);
  std::string desktop = desktop_folder();
  if (create_folder_path(desktop)) create_shortcut(join_path(desktop, kProgramShortcutName), program, kProductName);
  register_uninstaller(program, uninstaller);
  // Where the system has no help viewer the shortcut opens the HTML contents page.
  if (!shortcuts.empty())
    create_shortcut(join_path(shortcuts, kHelpShortcutName),
                    winhelp_available() ? join_path(folder, kHelpFileName) : help_page_path(folder, kHelpContents),
                    "Aide");
  install_encoder_component(folder);

  std::string run_template = "\"" + program + "\" \"%s\"";
  write_registry_text(Hive::Machine, settings_key_path(kSectionSettings).c_str(), kRunTemplateValue,
                      run_template.c_str());
  return true;
}

}  // namespace

Outcome install_from(ProgressTask* task, HWND owner, const std::string& installer_path) {
  std::string folder = installation_folder();
  if (!create_folder_path(folder)) {
    MessageBoxA(owner,
                "Pour installer le logiciel vous devez etre connecté sur cet ordinateur en tant qu'Administrateur. "
                "Si vous ne pouvez le faire vous-même, demandez à votre Administrateur de se connecter et lancez à "
                "nouveau le fichier d'installation.",
                nullptr, MB_OK | MB_ICONERROR);
    return Outcome::kFailed;
  }
  set_progress_text(0, task, "Installation Vocatrack Sound Recorder");
  set_progress_text(1, task, "Termes de la Licence du Software");

  // Every byte is checked before the first one is written: a damaged download must
  // not replace a working installation.
  InstallerTrailer trailer;
  {
    std::unique_ptr<BinaryFile> file = open_binary_file(installer_path, FileAccess::kReadShared);
    if (!file || verify_installer(*file, kPayloadCount, &trailer) != kInstallerIntact) {
      MessageBoxA(owner, kCorruptText, kInstallCaption, MB_OK | MB_ICONWARNING);
      return Outcome::kFailed;
    }
  }
  OwnedHandle installer(
      CreateFileA(installer_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!installer) return Outcome::kFailed;
  uint64_t total = 0, copied = 0;
  for (uint32_t size : trailer.sizes) total += size;
  for (int row = 0; row < kPayloadCount; ++row) {
    uint32_t size = trailer.sizes[row];
    if (size == 0) continue;
    const PayloadRow& payload = kPayloadRows[row];
    set_progress_text(1, task, payload.file_name);
    // No row lands outside the installation folder or needs decoding in this build.
    const bool bundle = (payload.flags & kPayloadPageBundle) != 0;
    std::string destination = bundle ? temporary_file_in(folder) : join_path(folder, payload.file_name);
    if (destination.empty()) {
      report_cannot_create(owner, join_path(folder, payload.file_name), GetLastError());
      return Outcome::kFailed;
    }
    Outcome copied_row = copy_payload(task, owner, installer.get(), destination, size, &copied, total);
    if (copied_row == Outcome::kDone && bundle)
      copied_row = unpack_help_pages(owner, destination, join_path(folder, payload.file_name));
    if (bundle) DeleteFileA(destination.c_str());
    if (copied_row != Outcome::kDone) return copied_row;
  }
  if (!finish_installation(folder)) {
    MessageBoxA(owner,
                format_path_message("L'installation ne peut être accomplie car le fichier \"%s\" ne peut recevoir "
                                    "d'enregistrements.",
                                    join_path(folder, kUninstallerName))
                    .c_str(),
                kInstallCaption, MB_OK | MB_ICONERROR);
    return Outcome::kFailed;
  }
  return Outcome::kDone;
}

bool start_installed_program() {
  std::string program = join_path(installation_folder(), kProgramFileName);
  std::string line = "\"" + program + "\" -install";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return false;
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return true;
}

}  // namespace vt
