// The delivery methods, each on one recording's full path with a send result
// (0 done, 1 stopped, 2 failed), and the settings they read when a file is delivered.
#pragma once
#include <string>

#include "delivery/smtp_client.h"
#include "win/worker_thread_win.h"

namespace vt {

struct DeliverySettings {
  bool mirror = false;
  std::string mirror_folder;
  bool email = false;
  std::string to, reply_to, smtp_host;
  bool use_mapi = true;
  bool allow_plain_login = false;
  bool ftp = false;
  std::string ftp_server, ftp_user, ftp_password, ftp_directory;
  bool ftp_tls = false;
  bool run = false;
  std::string run_template;
};
DeliverySettings load_delivery_settings();
// Whether the SMTP login may go out without TLS (MailPlainLogin, or its default).
bool plain_login_allowed();

Outcome copy_to_mirror_folder(const std::string& path, const std::string& folder);
// Through MAPI or the SMTP client, as the settings say.
Outcome send_by_email(const std::string& path, const DeliverySettings& settings, const StopSignal& stop,
                  MailReporter& reporter);
// The template with its first "%s" made the path, started hidden in a new console;
// waits for it up to an hour, or until stop.
Outcome run_external_program(const std::string& path, const std::string& command_template, const WorkerThread& worker);

}  // namespace vt
