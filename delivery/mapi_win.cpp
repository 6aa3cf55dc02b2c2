#include "delivery/mapi_win.h"

#include <windows.h>
#include <mapi.h>

#include <cstring>

#include "base/paths.h"
#include "delivery/mail_text.h"
#include "win/handles_win.h"

namespace vt {

namespace {

const char kMapiLibrary[] = "MAPI32.DLL";

bool profile_says_mapi() {
  char value[6] = {};
  GetProfileStringA("Mail", "MAPI", "0", value, 5);
  return std::strchr(value, '1') != nullptr;
}

}  // namespace

bool mapi_available() {
  if (!profile_says_mapi()) return false;
  OwnedLibrary library(kMapiLibrary);
  return static_cast<bool>(library);
}

// Each recipient gets a message of its own; a refusal for any of them fails the send.
bool mapi_send(const std::string& recipients, const std::string& subject, const std::string& body,
               const std::vector<std::string>& attachments) {
  if (recipients.empty() || !profile_says_mapi()) return false;
  std::vector<std::string> names;
  for (const std::string& path : attachments) names.push_back(file_name_of(path));
  std::vector<MapiFileDesc> files(attachments.size());
  for (size_t i = 0; i < attachments.size(); ++i) {
    files[i] = MapiFileDesc{};
    files[i].nPosition = static_cast<ULONG>(-1);
    files[i].lpszPathName = const_cast<char*>(attachments[i].c_str());
    files[i].lpszFileName = const_cast<char*>(names[i].c_str());
  }
  bool sent = true;
  for (const std::string& recipient : mapi_recipients(recipients)) {
    std::string address = "SMTP:" + recipient;
    MapiRecipDesc to = {};
    to.ulRecipClass = MAPI_TO;
    to.lpszName = const_cast<char*>(recipient.c_str());
    to.lpszAddress = const_cast<char*>(address.c_str());
    MapiMessage message = {};
    message.lpszSubject = const_cast<char*>(subject.c_str());
    message.lpszNoteText = const_cast<char*>(body.c_str());
    message.nRecipCount = 1;
    message.lpRecips = &to;
    message.nFileCount = static_cast<ULONG>(files.size());
    message.lpFiles = files.empty() ? nullptr : files.data();
    OwnedLibrary library(kMapiLibrary);
    auto send_mail = library.function<LPMAPISENDMAIL>("MAPISendMail");
    if (!send_mail || send_mail(0, 0, &message, 0, 0) != SUCCESS_SUCCESS) sent = false;
  }
  return sent;
}

}  // namespace vt
