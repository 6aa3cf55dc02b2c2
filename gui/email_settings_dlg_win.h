// The e-mail settings dialog (template LEmailSendSet, "Paramètres Email"): MAPI or
// the program's own SMTP client, the SMTP host, the reply address, and whether the
// login may go out without TLS.
#pragma once
#include <windows.h>

namespace vt {

// Modal; true after OK (the settings are then stored).
bool show_email_settings(HWND owner);

}  // namespace vt
