// E-mail through the system's Simple MAPI client (MAPI32.DLL, loaded when needed).
#pragma once
#include <string>
#include <vector>

namespace vt {

// The [Mail] MAPI entry of the user's profile holds "1" and MAPI32.DLL loads.
bool mapi_available();

// One MAPISendMail per recipient of `recipients` (see mapi_recipients); true only
// when every call succeeded. An empty text fails; a text of blanks sends nothing.
bool mapi_send(const std::string& recipients, const std::string& subject, const std::string& body,
               const std::vector<std::string>& attachments);

}  // namespace vt
