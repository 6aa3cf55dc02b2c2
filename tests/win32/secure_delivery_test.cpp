// Mail over TLS under Wine (its SChannel), against aiosmtpd with STARTTLS and with
// TLS from the first byte on port 465, certificates from a test authority that the
// test adds to the trusted roots; certificates for another name or out of date, the
// login without TLS, and servers that break the session end the delivery cleanly.
// FTP over TLS against pyftpdlib's TLS handler on port 21, with TLS required on the
// control and the data connections.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "delivery/delivery_methods_win.h"
#include "delivery/ftps_upload_win.h"
#include "tests/support/linux_process.h"
#include "tests/support/registry_guard.h"
#include "tests/support/trusted_root.h"
#include "tests/support/win32_driver.h"

namespace vt {
namespace {

using vt_test::wait_until;

std::string text_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

struct NeverStop : StopSignal {
  bool stop_requested() const override { return false; }
};

struct Shown : MailReporter {
  void show_error(const std::string& text) override { texts.push_back(text); }
  std::vector<std::string> texts;
};

// The test authority among the trusted roots for the whole program, added before any
// chain is built in it and removed at the end.
class TestAuthority : public ::testing::Environment {
 public:
  void SetUp() override {
    linux_folder = vt_test::build_dir() + "/test-scratch/tls-authority";
    root_.reset(new vt_test::TrustedRoot(linux_folder));
    ASSERT_TRUE(root_->added());
  }
  void TearDown() override { root_.reset(); }
  static std::string linux_folder;

 private:
  std::unique_ptr<vt_test::TrustedRoot> root_;
};
std::string TestAuthority::linux_folder;

class SecureDeliveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = vt_test::scratch_folder(name());
    linux_folder_ = vt_test::build_dir() + "/test-scratch/" + name();
    recording_ = folder_ + "\\Réunion 2.wav";
    std::ofstream(recording_, std::ios::binary) << std::string(70000, 'r') + "fin";
    settings_.use_mapi = false;
    settings_.to = "dest@example.org";
    settings_.reply_to = "enregistreur@example.org";
  }
  static std::string name() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

  // aiosmtpd in `mode` with a certificate of `kind`; its port, empty when it did not start.
  std::string start_server(const std::string& mode, const std::string& kind, const std::string& port = "0") {
    std::string peers = vt_test::env("VT_SOURCE_DIR") + "/tests/peers";
    server_.reset(new vt_test::LinuxProcess("exec /usr/bin/python3 " + peers + "/smtp_server.py '" + linux_folder_ +
                                            "' jean@example.org 's3cr:et' " + port + " " + mode + " " + kind + " '" +
                                            TestAuthority::linux_folder + "'"));
    if (!server_->start() || !wait_until([&] { return exists(folder_ + "\\port"); }, 30000)) return "";
    return text_of(folder_ + "\\port");
  }
  Outcome send(const std::string& host_text) {
    settings_.smtp_host = host_text;
    return send_by_email(recording_, settings_, stop_, shown_);
  }

  std::string folder_, linux_folder_, recording_;
  EmailSettings settings_;
  NeverStop stop_;
  Shown shown_;
  std::unique_ptr<vt_test::LinuxProcess> server_;
};

TEST_F(SecureDeliveryTest, StartTlsCarriesTheLoginAndTheMail) {
  std::string port = start_server("starttls", "good");
  ASSERT_FALSE(port.empty()) << "aiosmtpd did not start";
  ASSERT_EQ(Outcome::kDone, send("jean@example.org:s3cr:et@localhost:" + port)) << (shown_.texts.empty() ? "" : shown_.texts[0]);
  EXPECT_TRUE(shown_.texts.empty());
  ASSERT_TRUE(wait_until([&] { return exists(folder_ + "\\1.env"); }, 10000));
  EXPECT_EQ("from enregistreur@example.org\nto dest@example.org\nauth True\n", text_of(folder_ + "\\1.env"));
  EXPECT_EQ("1", text_of(folder_ + "\\1.tls"));
  std::string mail = text_of(folder_ + "\\1.eml");
  EXPECT_NE(std::string::npos, mail.find("cnJycnJy"));  // the attachment's base64
  // Without a login the mail goes over TLS as well.
  ASSERT_EQ(Outcome::kDone, send("@localhost:" + port)) << (shown_.texts.empty() ? "" : shown_.texts[0]);
  ASSERT_TRUE(wait_until([&] { return exists(folder_ + "\\2.env"); }, 10000));
  EXPECT_EQ("1", text_of(folder_ + "\\2.tls"));
  EXPECT_NE(std::string::npos, text_of(folder_ + "\\2.env").find("auth None"));
}

// Port 465 is fixed by the protocol's convention, hence the lock on it.
TEST_F(SecureDeliveryTest, ImplicitTlsOnPort465) {
  ASSERT_EQ("465", start_server("implicit", "good", "465")) << "aiosmtpd did not start on 465";
  ASSERT_EQ(Outcome::kDone, send("jean@example.org:s3cr:et@localhost:465"));
  EXPECT_TRUE(shown_.texts.empty());
  ASSERT_TRUE(wait_until([&] { return exists(folder_ + "\\1.env"); }, 10000));
  EXPECT_EQ("1", text_of(folder_ + "\\1.tls"));
  EXPECT_NE(std::string::npos, text_of(folder_ + "\\1.env").find("auth True"));
}

TEST_F(SecureDeliveryTest, CertificatesForAnotherNameOrOutOfDateAreRefused) {
  struct Case {
    const char* kind;
    const char* reason;
  } cases[] = {{"other", "son certificat est établi pour un autre nom."},
               {"expired", "son certificat a expiré ou n'est pas encore valide."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    server_.reset();
    DeleteFileA((folder_ + "\\port").c_str());
    std::string port = start_server("starttls", c.kind);
    ASSERT_FALSE(port.empty());
    shown_.texts.clear();
    EXPECT_EQ(Outcome::kFailed, send("jean@example.org:s3cr:et@localhost:" + port));
    EXPECT_EQ(std::vector<std::string>{"Connexion sécurisée (TLS) impossible avec le serveur mail \"localhost:" + port +
                                       "\" : " + c.reason},
              shown_.texts);
    EXPECT_FALSE(exists(folder_ + "\\1.env"));
  }
}

TEST_F(SecureDeliveryTest, LoginWithoutTlsOnlyWhenAllowed) {
  std::string port = start_server("plain", "good");
  ASSERT_FALSE(port.empty());
  settings_.allow_plain_login = false;
  EXPECT_EQ(Outcome::kFailed, send("jean@example.org:s3cr:et@localhost:" + port));
  ASSERT_EQ(1u, shown_.texts.size());
  EXPECT_EQ(0u, shown_.texts[0].find("Le serveur mail \"localhost:" + port + "\" n'offre pas de connexion sécurisée"));
  EXPECT_FALSE(exists(folder_ + "\\1.env"));
  settings_.allow_plain_login = true;
  ASSERT_EQ(Outcome::kDone, send("jean@example.org:s3cr:et@localhost:" + port));
  ASSERT_TRUE(wait_until([&] { return exists(folder_ + "\\1.env"); }, 10000));
  EXPECT_EQ("0", text_of(folder_ + "\\1.tls"));
  EXPECT_NE(std::string::npos, text_of(folder_ + "\\1.env").find("auth True"));
}

TEST_F(SecureDeliveryTest, ServersThatBreakTheSessionEndTheDelivery) {
  struct Case {
    const char* mode;
    const char* reason;
  } cases[] = {{"huge", "le serveur a envoyé des données TLS invalides."},
               {"truncated", nullptr},
               {"garbage", nullptr}};
  std::string peers = vt_test::env("VT_SOURCE_DIR") + "/tests/peers";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    DeleteFileA((folder_ + "\\port").c_str());
    vt_test::LinuxProcess server("exec /usr/bin/python3 " + peers + "/hostile_tls_server.py '" + linux_folder_ +
                                 "' " + c.mode);
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(wait_until([&] { return exists(folder_ + "\\port"); }, 30000));
    std::string port = text_of(folder_ + "\\port");
    shown_.texts.clear();
    EXPECT_EQ(Outcome::kFailed, send("jean@example.org:s3cr:et@localhost:" + port));
    ASSERT_EQ(1u, shown_.texts.size());
    std::string prefix = "Connexion sécurisée (TLS) impossible avec le serveur mail \"localhost:" + port + "\" : ";
    EXPECT_EQ(0u, shown_.texts[0].find(prefix)) << shown_.texts[0];
    if (c.reason) {
      EXPECT_EQ(prefix + c.reason, shown_.texts[0]);
    }
    server.kill();
  }
}

// pyftpdlib on port 21 (the FTP method's only port, hence the lock on it), with TLS
// and a certificate of `kind`, or plain.
class FtpsTest : public SecureDeliveryTest {
 protected:
  void SetUp() override {
    SecureDeliveryTest::SetUp();
    CreateDirectoryA((folder_ + "\\ftp-root").c_str(), nullptr);
    CreateDirectoryA((folder_ + "\\ftp-root\\depot").c_str(), nullptr);
    place_ = FtpSettings{"localhost", "marie", "mot de passe", "/depot", true};
  }
  // A server just ended (here or by the test before) may still hold the port for a
  // moment: one that ends before it is ready is started again.
  bool start_ftp(const std::string& tls_kind) {
    if (ftp_) {
      ftp_->kill();
      ftp_->wait(20000);
    }
    std::string ready = folder_ + "\\ftp-ready";
    std::string peers = vt_test::env("VT_SOURCE_DIR") + "/tests/peers";
    std::string tls = tls_kind.empty() ? "" : " tls " + tls_kind + " '" + TestAuthority::linux_folder + "'";
    for (int attempt = 0; attempt < 5; ++attempt) {
      DeleteFileA(ready.c_str());
      ftp_.reset(new vt_test::LinuxProcess("exec /usr/bin/python3 " + peers + "/ftp_server.py '" + linux_folder_ +
                                           "/ftp-root' marie 'mot de passe' 21" + tls));
      if (!ftp_->start()) return false;
      bool ended = false;
      if (wait_until([&] { return exists(ready) || (ended = ftp_->wait(0)); }, 30000) && !ended) return true;
    }
    return false;
  }
  Outcome upload(const std::string& path) { return upload_by_ftps(path, place_, stop_, shown_); }
  std::string uploaded(const std::string& name) { return folder_ + "\\ftp-root\\depot\\" + name; }

  FtpSettings place_;
  std::unique_ptr<vt_test::LinuxProcess> ftp_;
};

// Every byte value, line ends among them, so that a text-mode transfer would show.
TEST_F(FtpsTest, UploadsTheRecordingByteForByte) {
  ASSERT_TRUE(start_ftp("good")) << "pyftpdlib did not start";
  std::string audio;
  for (int i = 0; i < 70003; ++i) audio += static_cast<char>((i * 7 + i / 256) & 0xFF);
  std::string path = folder_ + "\\take 3.wav";
  std::ofstream(path, std::ios::binary) << audio;
  std::string empty = folder_ + "\\empty.wav";
  std::ofstream(empty, std::ios::binary).close();
  ASSERT_EQ(Outcome::kDone, upload(path)) << (shown_.texts.empty() ? "" : shown_.texts[0]);
  EXPECT_TRUE(audio == text_of(uploaded("take 3.wav")));
  ASSERT_EQ(Outcome::kDone, upload(empty));
  EXPECT_TRUE(exists(uploaded("empty.wav")));
  EXPECT_EQ("", text_of(uploaded("empty.wav")));
  EXPECT_TRUE(shown_.texts.empty());
  // The server's refusal of the login is a failed upload.
  place_.password = "faux";
  EXPECT_EQ(Outcome::kFailed, upload(path));
  EXPECT_TRUE(shown_.texts.empty());
}

TEST_F(FtpsTest, NoLoginWithoutATrustedSession) {
  ASSERT_TRUE(start_ftp("other")) << "pyftpdlib did not start";
  EXPECT_EQ(Outcome::kFailed, upload(recording_));
  EXPECT_EQ(std::vector<std::string>{"Connexion sécurisée (TLS) impossible avec le serveur FTP \"localhost\" : son "
                                     "certificat est établi pour un autre nom."},
            shown_.texts);
  EXPECT_FALSE(exists(uploaded("Réunion 2.wav")));

  // A server without TLS is told, and gets neither the login nor the file.
  ASSERT_TRUE(start_ftp("")) << "pyftpdlib did not start";
  shown_.texts.clear();
  EXPECT_EQ(Outcome::kFailed, upload(recording_));
  ASSERT_EQ(1u, shown_.texts.size());
  EXPECT_EQ(0u, shown_.texts[0].find("Le serveur FTP \"localhost\" n'accepte pas de connexion sécurisée (AUTH TLS)"))
      << shown_.texts[0];
  EXPECT_FALSE(exists(uploaded("Réunion 2.wav")));
}

}  // namespace
}  // namespace vt

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new vt::TestAuthority);
  return RUN_ALL_TESTS();
}
