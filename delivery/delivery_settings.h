// The delivery's settings, one struct per settings section, each with its load and
// save over a replaceable section. The queue loads them when a file is delivered; the
// options page and the e-mail settings dialog load them, change their own values and
// save them. The registry names are those of settings_names.h.
#pragma once
#include <string>

#include "base/settings_section.h"

namespace vt {

// Section "Settings": which methods run, and the mirror folder and program beside them.
struct DeliverySettings {
  bool mirror = false;
  std::string mirror_folder;
  bool email = false;
  bool ftp = false;
  bool program = false;
  std::string program_template;  // "%s" stands for the recording's path
};
DeliverySettings load_delivery_settings(SettingsSection& section);
void save_delivery_settings(SettingsSection& section, const DeliverySettings& settings);

// Section "Email".
struct EmailSettings {
  std::string to, reply_to, smtp_host;
  bool use_mapi = true;
  bool allow_plain_login = false;  // the SMTP login may go out without TLS
  // Whether allow_plain_login is stored (or chosen in the e-mail dialog) rather than
  // derived from the host; only then is it saved, so the rule for older settings holds.
  bool plain_login_stored = false;
};
EmailSettings load_email_settings(SettingsSection& section);
void save_email_settings(SettingsSection& section, const EmailSettings& settings);

// Section "Ftp".
struct FtpSettings {
  std::string server, user, password, directory;
  // FTP over TLS instead of WinINet's plain FTP.
  bool secure = false;
};
// `absent_directory`: what a missing Directory reads as (the page offers "/").
FtpSettings load_ftp_settings(SettingsSection& section, const char* absent_directory = "");
void save_ftp_settings(SettingsSection& section, const FtpSettings& settings);

}  // namespace vt
