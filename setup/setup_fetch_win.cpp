#include "setup/setup_fetch_win.h"

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

DWORD query_number(const WinInet& net, HINTERNET request, DWORD what, DWORD fallback) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (!net.query(request, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr)) return fallback;
  return value;
}

// Copies the response body into a new file at `path`. `announced` is the server's
// Content-Length, 0 when it sent none.
int copy_body(ProgressTask* task, const WinInet& net, HINTERNET request, DWORD length, DWORD announced,
              const char* path) {
  OwnedHandle file(open_file_retrying(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, 500));
  if (!file) return kTaskFailed;
  char buffer[kReadBytes];
  double total = 0;
  int result = kTaskFailed;
  for (;;) {
    if (pump_and_check_cancel(task)) {
      result = kTaskCancelled;
      break;
    }
    DWORD got = 0;
    if (!net.read(request, buffer, kReadBytes, &got)) break;
    if (got == 0) {
      // A body cut short of its announced length is a broken setup program, not one to start.
      if (announced == 0 || total == announced) result = kTaskDone;
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
  if (result != kTaskDone) DeleteFileA(path);
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

}  // namespace

std::string component_server(int index) {
  return index == 2 ? server_setting(kComponentServer2, kDefaultComponentServer2)
                    : server_setting(kComponentServer1, kDefaultComponentServer1);
}

std::string web_site() { return server_setting(kWebSite, kDefaultWebSite); }

int download_to_file(ProgressTask* task, const char* url, const char* path) {
  const WinInet* api = wininet();
  if (!api || !api->open || !api->open_url || !api->read || !api->close || !api->query) return kTaskFailed;
  const WinInet& net = *api;
  HINTERNET session = net.open("Vocatrack Sound Recorder", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!session) return kTaskFailed;
  int result = kTaskFailed;
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
  net.close(session);
  return result;
}

int fetch_and_run_setup(ProgressTask* task, const char* name) {
  set_progress_text(0, task, "Télecharger la fonction d'installation sur demande");
  set_progress_text(1, task, name);
  char temp[MAX_PATH + 1];
  DWORD temp_length = GetTempPathA(sizeof temp, temp);
  if (temp_length == 0 || temp_length >= sizeof temp) return kTaskFailed;
  std::string local = std::string(temp) + name + ".exe";
  if (local.size() >= MAX_PATH) return kTaskFailed;

  int result = download_to_file(task, setup_program_url(component_server(1), name).c_str(), local.c_str());
  // A cancel ends here: only a failing first server sends us to the second.
  if (result == kTaskFailed) {
    result = download_to_file(task, setup_program_url(component_server(2), name).c_str(), local.c_str());
  }
  if (result == kTaskDone) {
    set_progress_text(0, task, "Lancer la fonction d'installation sur demande");
    if (!start_quietly(local)) result = kTaskFailed;
  }
  // A setup program still running from it keeps the file: Windows refuses to delete
  // a running program's file, and the temporary folder is the user's to clean.
  DeleteFileA(local.c_str());
  return result;
}

}  // namespace vt
