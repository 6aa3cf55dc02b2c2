// The version check: the version file fetched over HTTP/1.0 with the program's own
// non-blocking socket client inside a progress task, and the offer of the new
// version's page. Every failure is silent.
#pragma once
#include <windows.h>

#include <string>

#include "ui/progress_task_win.h"

namespace vt {

// Opens a web address; the program hands it to the shell, tests keep it.
class WebOpener {
 public:
  virtual ~WebOpener() {}
  virtual void open(const std::string& url);
};

// The version server in use: the machine-hive override "VersionServer" of section
// "Servers", else the built-in address.
std::string version_server();

// Fetches `url` and keeps at most the first 511 bytes of the reply, headers
// included. Each wait (connect, send, receive) runs in 200 ms slices with the
// messages dispatched, within 5 s. kDone (also when the server closed early), kStopped
// when cancelled, kFailed.
Outcome fetch_version_reply(ProgressTask* task, const std::string& url, std::string* reply);

// The check over `owner`: fetch, ask when a newer version with a web page is
// announced, open the page on Yes and remember the version told.
void run_version_check(HWND owner, WebOpener* opener = nullptr);

}  // namespace vt
