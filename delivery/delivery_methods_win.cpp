#include "delivery/delivery_methods_win.h"

#include <vector>

#include "base/command_template.h"
#include "base/paths.h"
#include "delivery/mapi_win.h"
#include "delivery/tls_mail_connection_win.h"
#include "win/handles_win.h"
#include "win/settings_win.h"

namespace vt {

namespace {

constexpr size_t kCommandLineChars = 519;
constexpr DWORD kProgramWaitMs = 3600000;

}  // namespace

DeliverySettings load_delivery_settings() {
  DeliverySettings settings;
  settings.mirror = read_setting(kSendFolder);
  settings.mirror_folder = read_setting(kSendFolderDir);
  settings.email = read_setting(kSendEmail);
  settings.to = read_setting(kEmailTo);
  settings.reply_to = read_setting(kEmailReplyTo);
  settings.use_mapi = read_setting(kEmailUseMapi);
  settings.smtp_host = read_setting(kEmailSmtpHost);
  settings.allow_plain_login = plain_login_allowed();
  settings.ftp = read_setting(kSendFtp);
  settings.ftp_server = read_setting(kFtpServer);
  settings.ftp_user = read_setting(kFtpUserName);
  settings.ftp_password = read_setting(kFtpPassword);
  settings.ftp_directory = read_setting(kFtpDirectory);
  settings.ftp_tls = read_setting(kFtpUseTls);
  settings.run = read_setting(kSendRun);
  settings.run_template = read_setting(kSendRunExe);
  return settings;
}

bool plain_login_allowed() {
  char text[kSettingTextBytes];
  if (read_machine_text(kSectionEmail, kEmailPlainLoginName, text, "")) return parse_setting_bool(text, false);
  return !read_setting(kEmailSmtpHost).empty();
}

Outcome copy_to_mirror_folder(const std::string& path, const std::string& folder) {
  std::string destination = join_path(folder, file_name_of(path));
  return CopyFileA(path.c_str(), destination.c_str(), FALSE) ? Outcome::kDone : Outcome::kFailed;
}

Outcome send_by_email(const std::string& path, const DeliverySettings& settings, const StopSignal& stop,
                  MailReporter& reporter) {
  MailMessage message = recording_mail(path);
  message.to = settings.to;
  message.from = settings.reply_to;
  if (settings.use_mapi)
    return mapi_send(message.to, message.subject, message.body, message.attachments) ? Outcome::kDone : Outcome::kFailed;
  message.host_text = settings.smtp_host;
  message.allow_plain_login = settings.allow_plain_login;
  std::unique_ptr<SocketOps> ops = make_socket_ops();
  SocketMailConnection plain(*ops, stop);
  TlsMailConnection connection(plain);
  MailTime now;
  return smtp_send(message, connection, stop, reporter, local_mail_time(&now) ? &now : nullptr);
}

// The template is not a printf format: only its first "%s" and "%%" are replaced,
// so a stray "%n" or a second "%s" stays text.
Outcome run_external_program(const std::string& path, const std::string& command_template, const WorkerThread& worker) {
  std::string line = format_command(command_template, path);
  if (line.size() > kCommandLineChars) line.resize(kCommandLineChars);
  std::vector<char> writable(line.begin(), line.end());
  writable.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                      &startup, &info))
    return Outcome::kFailed;
  ProcessHandles owned(info);
  return worker.wait_for_event_or_stop(owned.process.get(), kProgramWaitMs);
}

}  // namespace vt
