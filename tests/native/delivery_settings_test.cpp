// The delivery's settings structs over a section kept in memory: the registry names of
// settings stored by earlier versions, their defaults, and MailPlainLogin's rule.
#include "delivery/delivery_settings.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/support/map_section.h"

namespace vt {
namespace {

TEST(DeliverySettings, StoredValuesLoadUnderTheirRegistryNamesAndSaveBackUnchanged) {
  vt_test::MapSection core, email, ftp;
  core.values = {{"SendFolder", "1"}, {"SendFolderDir", "D:\\copie"}, {"SendEmail", "0"},
                 {"SendFtp", "1"},    {"SendRun", "1"},                {"SendRunExe", "\"C:\\a b\\x.exe\" \"%s\""}};
  email.values = {{"To", "a@b.fr, c@d.fr"}, {"ReplyToEmail", "moi@e.fr"}, {"UseMAPI", "0"},
                  {"MailSMTPHost", "u:p@smtp.e.fr:587"}, {"MailPlainLogin", "0"}};
  ftp.values = {{"Server", "ftp.e.fr"}, {"UserName", "marie"}, {"Password", "mot de passe"},
                {"Directory", "/depot"}, {"UseTLS", "1"}};
  DeliverySettings methods = load_delivery_settings(core);
  EXPECT_TRUE(methods.mirror && methods.ftp && methods.program && !methods.email);
  EXPECT_EQ("D:\\copie", methods.mirror_folder);
  EXPECT_EQ("\"C:\\a b\\x.exe\" \"%s\"", methods.program_template);
  EmailSettings mail = load_email_settings(email);
  EXPECT_EQ("a@b.fr, c@d.fr", mail.to);
  EXPECT_EQ("moi@e.fr", mail.reply_to);
  EXPECT_EQ("u:p@smtp.e.fr:587", mail.smtp_host);
  EXPECT_FALSE(mail.use_mapi);
  EXPECT_FALSE(mail.allow_plain_login);
  FtpSettings place = load_ftp_settings(ftp, "/");
  EXPECT_EQ("ftp.e.fr", place.server);
  EXPECT_EQ("marie", place.user);
  EXPECT_EQ("mot de passe", place.password);
  EXPECT_EQ("/depot", place.directory);
  EXPECT_TRUE(place.secure);

  auto before = std::make_tuple(core.values, email.values, ftp.values);
  save_delivery_settings(core, methods);
  save_email_settings(email, mail);
  save_ftp_settings(ftp, place);
  EXPECT_EQ(before, std::make_tuple(core.values, email.values, ftp.values));
}

TEST(DeliverySettings, MissingValuesReadAsTheirDefaults) {
  vt_test::MapSection empty;
  DeliverySettings methods = load_delivery_settings(empty);
  EXPECT_FALSE(methods.mirror || methods.email || methods.ftp || methods.program);
  EmailSettings mail = load_email_settings(empty);
  EXPECT_TRUE(mail.use_mapi);
  EXPECT_FALSE(mail.allow_plain_login);
  EXPECT_EQ("", load_ftp_settings(empty).directory);
  EXPECT_EQ("/", load_ftp_settings(empty, "/").directory);  // what the options page offers
}

// Settings stored before MailPlainLogin existed worked in clear: a host then means on.
TEST(DeliverySettings, MissingPlainLoginFollowsTheStoredHost) {
  vt_test::MapSection email;
  email.values = {{"MailSMTPHost", "smtp.e.fr"}};
  EmailSettings derived = load_email_settings(email);
  EXPECT_TRUE(derived.allow_plain_login);
  save_email_settings(email, derived);
  EXPECT_EQ(0u, email.values.count("MailPlainLogin")) << "a derived value is not stored";
  email.values["MailPlainLogin"] = "0";
  EXPECT_FALSE(load_email_settings(email).allow_plain_login);
  email.values["MailPlainLogin"] = "";  // stored but empty: off, as before
  EXPECT_FALSE(load_email_settings(email).allow_plain_login);
}

}  // namespace
}  // namespace vt
