#include "delivery/delivery_settings.h"

#include "base/settings_names.h"
#include "base/settings_text.h"

namespace vt {

namespace {

bool read(SettingsSection& section, const BoolSetting& setting) {
  return section.read_bool(setting.name, setting.default_value);
}
std::string read(SettingsSection& section, const TextSetting& setting) {
  return section.read_text(setting.name, setting.default_value);
}

}  // namespace

DeliverySettings load_delivery_settings(SettingsSection& section) {
  DeliverySettings settings;
  settings.mirror = read(section, kSendFolder);
  settings.mirror_folder = read(section, kSendFolderDir);
  settings.email = read(section, kSendEmail);
  settings.ftp = read(section, kSendFtp);
  settings.program = read(section, kSendRun);
  settings.program_template = read(section, kSendRunExe);
  return settings;
}

void save_delivery_settings(SettingsSection& section, const DeliverySettings& settings) {
  section.write_bool(kSendFolder.name, settings.mirror);
  section.write_text(kSendFolderDir.name, settings.mirror_folder);
  section.write_bool(kSendEmail.name, settings.email);
  section.write_bool(kSendFtp.name, settings.ftp);
  section.write_bool(kSendRun.name, settings.program);
  section.write_text(kSendRunExe.name, settings.program_template);
}

// A missing MailPlainLogin is taken as on when a host was stored before the value
// existed (those settings worked in clear), else as off.
EmailSettings load_email_settings(SettingsSection& section) {
  EmailSettings settings;
  settings.to = read(section, kEmailTo);
  settings.reply_to = read(section, kEmailReplyTo);
  settings.use_mapi = read(section, kEmailUseMapi);
  settings.smtp_host = read(section, kEmailSmtpHost);
  // A text no stored value has, to tell a missing value from a stored empty one.
  static const char kMissing[] = "\x7F";
  std::string plain = section.read_text(kEmailPlainLoginName, kMissing);
  settings.plain_login_stored = plain != kMissing;
  settings.allow_plain_login =
      settings.plain_login_stored ? parse_setting_bool(plain.c_str(), false) : !settings.smtp_host.empty();
  return settings;
}

void save_email_settings(SettingsSection& section, const EmailSettings& settings) {
  section.write_text(kEmailTo.name, settings.to);
  section.write_text(kEmailReplyTo.name, settings.reply_to);
  section.write_bool(kEmailUseMapi.name, settings.use_mapi);
  section.write_text(kEmailSmtpHost.name, settings.smtp_host);
  if (settings.plain_login_stored) section.write_bool(kEmailPlainLoginName, settings.allow_plain_login);
}

FtpSettings load_ftp_settings(SettingsSection& section, const char* absent_directory) {
  FtpSettings settings;
  settings.server = read(section, kFtpServer);
  settings.user = read(section, kFtpUserName);
  settings.password = read(section, kFtpPassword);
  settings.directory = section.read_text(kFtpDirectory.name, absent_directory);
  settings.secure = read(section, kFtpUseTls);
  return settings;
}

void save_ftp_settings(SettingsSection& section, const FtpSettings& settings) {
  section.write_text(kFtpServer.name, settings.server);
  section.write_text(kFtpUserName.name, settings.user);
  section.write_text(kFtpPassword.name, settings.password);
  section.write_text(kFtpDirectory.name, settings.directory);
  section.write_bool(kFtpUseTls.name, settings.secure);
}

}  // namespace vt
