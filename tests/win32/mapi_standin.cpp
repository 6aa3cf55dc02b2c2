// Stands in for the system's MAPI32.DLL in the delivery tests (loaded instead of
// Wine's own with WINEDLLOVERRIDES=mapi32=n). Each MAPISendMail call appends one
// line to the file named by VT_MAPI_LOG:
//   to=<name>|<address> subject=<subject> files=<path>|<name>;...
// and fails (MAPI_E_FAILURE) when the recipient's name contains "refuse".
#include <windows.h>
#include <mapi.h>

#include <cstring>
#include <string>

extern "C" __declspec(dllexport) ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR ui_param, lpMapiMessage message,
                                                          FLAGS flags, ULONG reserved) {
  std::string line = "to=";
  if (message->nRecipCount == 1 && message->lpRecips) {
    line += std::string(message->lpRecips[0].lpszName ? message->lpRecips[0].lpszName : "") + "|" +
            (message->lpRecips[0].lpszAddress ? message->lpRecips[0].lpszAddress : "");
  }
  line += std::string(" subject=") + (message->lpszSubject ? message->lpszSubject : "") + " files=";
  for (ULONG i = 0; i < message->nFileCount; ++i) {
    line += std::string(message->lpFiles[i].lpszPathName) + "|" + message->lpFiles[i].lpszFileName + ";";
  }
  line += "\n";
  char log[MAX_PATH] = {};
  if (GetEnvironmentVariableA("VT_MAPI_LOG", log, sizeof log)) {
    HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(file);
    }
  }
  bool refuse = message->nRecipCount == 1 && message->lpRecips[0].lpszName &&
                std::strstr(message->lpRecips[0].lpszName, "refuse") != nullptr;
  return refuse ? MAPI_E_FAILURE : SUCCESS_SUCCESS;
}
