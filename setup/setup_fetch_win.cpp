#include "setup/setup_fetch_win.h"

#include <softpub.h>
#include <wintrust.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/paths.h"
#include "base/sha256.h"
#include "setup/setup_digest.h"
#include "win/files_win.h"
#include "win/handles_win.h"
#include "win/settings_win.h"
#include "win/wininet_win.h"
#include "setup/server_addresses.h"

namespace vt {
namespace {

const DWORD kReadBytes = 2048;
const DWORD kAssumedLength = 100000;  // when the server sends no length
const DWORD kSmallestLength = 10;
const char kUnverifiedSetupText[] =
    "Le programme d'installation \"%s.exe\" a été téléchargé mais n'a pas pu être vérifié (empreinte SHA-256 "
    "absente ou différente, et aucune signature valide) : il a été supprimé sans être lancé.";

DWORD query_number(const WinInet& net, HINTERNET request, DWORD what, DWORD fallback) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (!net.query(request, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr)) return fallback;
  return value;
}

// Copies the response body into a new file at `path`. `announced` is the server's
// Content-Length, 0 when it sent none.
Outcome copy_body(ProgressTask* task, const WinInet& net, HINTERNET request, DWORD length, DWORD announced,
              const char* path) {
  OwnedHandle file(open_file_retrying(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, 500));
  if (!file) return Outcome::kFailed;
  char buffer[kReadBytes];
  double total = 0;
  Outcome result = Outcome::kFailed;
  for (;;) {
    if (pump_and_check_cancel(task)) {
      result = Outcome::kStopped;
      break;
    }
    DWORD got = 0;
    if (!net.read(request, buffer, kReadBytes, &got)) break;
    if (got == 0) {
      // A body cut short of its announced length is a broken setup program, not one to start.
      if (announced == 0 || total == announced) result = Outcome::kDone;
      break;
    }
    DWORD written = 0;
    // A full disk must not leave a cut-off setup program behind to be started.
    if (!WriteFile(file.get(), buffer, got, &written, nullptr) || written != got) break;
    total += got;
    // The length may be a guess: the bar can run past its end.
    set_progress_fraction(total / length, task);
  }
  file.reset();
  if (result != Outcome::kDone) DeleteFileA(path);
  return result;
}

// Starts the setup program in its own window, without waiting. LQUIET=1 asks it to
// install without questions; the variable is removed again if this program did not
// have it before, and left at "1" if it did.
bool start_quietly(const std::string& program) {
  SetLastError(ERROR_SUCCESS);
  bool was_set = GetEnvironmentVariableA("LQUIET", nullptr, 0) != 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
  SetEnvironmentVariableA("LQUIET", "1");
  std::string line = "\"" + program + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info = {};
  bool started =
      CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info) != 0;
  if (started) ProcessHandles{info};  // not waited for: its handles go at once
  if (!was_set) SetEnvironmentVariableA("LQUIET", nullptr);
  return started;
}

std::string server_setting(const TextSetting& setting, const char* fallback) {
  std::string value = read_setting(setting);
  return value.empty() ? fallback : value;
}

// One response body into a new file at `path`; 0, 1 or 2.
Outcome download_in_session(ProgressTask* task, const WinInet& net, HINTERNET session, const char* url, const char* path) {
  Outcome result = Outcome::kFailed;
  HINTERNET request = net.open_url(session, url, nullptr, 0,
                                   INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI, 0);
  if (request) {
    DWORD status = query_number(net, request, HTTP_QUERY_STATUS_CODE, 200);
    DWORD announced = query_number(net, request, HTTP_QUERY_CONTENT_LENGTH, 0);
    DWORD length = announced ? announced : kAssumedLength;
    if (length < kSmallestLength) length = kSmallestLength;
    if (status >= 200 && status <= 299) result = copy_body(task, net, request, length, announced, path);
    net.close(request);
  }
  return result;
}

// A short text such as a digest file; false for any status but 2xx, a failed read,
// or more than a digest file holds.
bool fetch_small_text(const WinInet& net, HINTERNET session, const std::string& url, std::string* text) {
  text->clear();
  HINTERNET request = net.open_url(session, url.c_str(), nullptr, 0,
                                   INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI, 0);
  if (!request) return false;
  DWORD status = query_number(net, request, HTTP_QUERY_STATUS_CODE, 0);
  bool ok = status >= 200 && status <= 299;
  char buffer[512];
  while (ok) {
    DWORD got = 0;
    if (!net.read(request, buffer, sizeof buffer, &got)) ok = false;
    else if (got == 0) break;
    else if (text->size() + got > kDigestFileLimit) ok = false;
    else text->append(buffer, got);
  }
  net.close(request);
  return ok;
}

bool file_sha256(const char* path, uint8_t digest[32]) {
  OwnedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return false;
  Sha256 hash;
  static const DWORD kPiece = 65536;
  std::vector<char> buffer(kPiece);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer.data(), kPiece, &got, nullptr)) return false;
    if (got == 0) break;
    hash.add(buffer.data(), got);
  }
  hash.finish(digest);
  return true;
}

// An Authenticode signature that the system's trust providers accept, without
// asking the user anything.
bool has_valid_signature(const char* path) {
  int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
  if (length <= 0) return false;
  std::vector<wchar_t> wide(static_cast<size_t>(length));
  MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), length);
  WINTRUST_FILE_INFO file = {};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = wide.data();
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return status == 0;
}

}  // namespace

std::string component_server(int index) {
  return index == 2 ? server_setting(kComponentServer2, kDefaultComponentServer2)
                    : server_setting(kComponentServer1, kDefaultComponentServer1);
}

std::string web_site() { return server_setting(kWebSite, kDefaultWebSite); }

Outcome download_to_file(ProgressTask* task, const char* url, const char* path) {
  const WinInet* api = wininet();
  if (!api || !api->open || !api->open_url || !api->read || !api->close || !api->query) return Outcome::kFailed;
  HINTERNET session = api->open("Vocatrack Sound Recorder", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!session) return Outcome::kFailed;
  Outcome result = download_in_session(task, *api, session, url, path);
  api->close(session);
  return result;
}

Outcome download_verified_setup(ProgressTask* task, const char* url, const char* path, bool* refused) {
  *refused = false;
  const WinInet* api = wininet();
  if (!api || !api->open || !api->open_url || !api->read || !api->close || !api->query) return Outcome::kFailed;
  HINTERNET session = api->open("Vocatrack Sound Recorder", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!session) return Outcome::kFailed;
  Outcome result = download_in_session(task, *api, session, url, path);
  if (result == Outcome::kDone) {
    // The digest comes from the same server, in the same session.
    std::string published;
    uint8_t wanted[32];
    bool has_digest = fetch_small_text(*api, session, std::string(url) + ".sha256", &published) &&
                      parse_published_digest(published, file_name_of(path), wanted);
    uint8_t actual[32];
    bool verified = has_digest ? file_sha256(path, actual) && std::equal(actual, actual + 32, wanted)
                               : has_valid_signature(path);
    if (!verified) {
      DeleteFileA(path);
      *refused = true;
      result = Outcome::kFailed;
    }
  }
  api->close(session);
  return result;
}

Outcome fetch_and_run_setup(ProgressTask* task, const char* name) {
  set_progress_text(0, task, "Télecharger la fonction d'installation sur demande");
  set_progress_text(1, task, name);
  char temp[MAX_PATH + 1];
  DWORD temp_length = GetTempPathA(sizeof temp, temp);
  if (temp_length == 0 || temp_length >= sizeof temp) return Outcome::kFailed;
  std::string local = std::string(temp) + name + ".exe";
  if (local.size() >= MAX_PATH) return Outcome::kFailed;

  bool refused = false, refused_again = false;
  Outcome result = download_verified_setup(task, setup_program_url(component_server(1), name).c_str(), local.c_str(),
                                       &refused);
  // A cancel ends here: only a failing first server sends us to the second.
  if (result == Outcome::kFailed) {
    result = download_verified_setup(task, setup_program_url(component_server(2), name).c_str(), local.c_str(),
                                     &refused_again);
    refused = refused || refused_again;
  }
  if (result == Outcome::kFailed && refused) {
    char text[512];
    std::snprintf(text, sizeof text, kUnverifiedSetupText, name);
    MessageBoxA(task ? task->window : nullptr, text, "Erreur", MB_OK | MB_ICONWARNING);
  }
  if (result == Outcome::kDone) {
    set_progress_text(0, task, "Lancer la fonction d'installation sur demande");
    if (!start_quietly(local)) result = Outcome::kFailed;
  }
  // A setup program still running from it keeps the file: Windows refuses to delete
  // a running program's file, and the temporary folder is the user's to clean.
  DeleteFileA(local.c_str());
  return result;
}

}  // namespace vt
