#include "delivery/delivery_methods_win.h"

#include <vector>

#include "base/command_template.h"
#include "base/paths.h"
#include "delivery/delivery_texts.h"
#include "delivery/ftp_upload_win.h"
#include "delivery/ftps_upload_win.h"
#include "delivery/mapi_win.h"
#include "delivery/tls_mail_connection_win.h"
#include "win/handles_win.h"
#include "win/settings_win.h"

namespace vt {

namespace {

constexpr size_t kCommandLineChars = 519;
constexpr DWORD kProgramWaitMs = 3600000;

}  // namespace

DeliveryConfig load_delivery_config() {
  RegistrySection core(Hive::Machine, kSectionSettings), email(Hive::Machine, kSectionEmail),
      ftp(Hive::Machine, kSectionFtp);
  return DeliveryConfig{load_delivery_settings(core), load_email_settings(email), load_ftp_settings(ftp)};
}

Outcome copy_to_mirror_folder(const std::string& path, const std::string& folder) {
  std::string destination = join_path(folder, file_name_of(path));
  return CopyFileA(path.c_str(), destination.c_str(), FALSE) ? Outcome::kDone : Outcome::kFailed;
}

Outcome send_by_email(const std::string& path, const EmailSettings& settings, const StopSignal& stop,
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

namespace {

Outcome run_mirror(const std::string& path, const DeliveryConfig& config, MethodContext&) {
  return copy_to_mirror_folder(path, config.methods.mirror_folder);
}
Outcome run_email(const std::string& path, const DeliveryConfig& config, MethodContext& context) {
  return send_by_email(path, config.email, context.stop, context.reporter);
}
Outcome run_ftp(const std::string& path, const DeliveryConfig& config, MethodContext& context) {
  return config.ftp.secure ? upload_by_ftps(path, config.ftp, context.stop, context.reporter)
                           : upload_by_ftp(path, config.ftp, context.worker);
}
Outcome run_program(const std::string& path, const DeliveryConfig& config, MethodContext& context) {
  return run_external_program(path, config.methods.program_template, context.worker);
}

}  // namespace

const DeliveryMethod kDeliveryMethods[] = {
    {[](const DeliverySettings& m) { return m.mirror; }, run_mirror, kMirrorFailedText},
    {[](const DeliverySettings& m) { return m.email; }, run_email, kEmailFailedText},
    {[](const DeliverySettings& m) { return m.ftp; }, run_ftp, kFtpFailedText},
    {[](const DeliverySettings& m) { return m.program; }, run_program, kProgramFailedText},
};
const size_t kDeliveryMethodCount = sizeof kDeliveryMethods / sizeof kDeliveryMethods[0];

}  // namespace vt
