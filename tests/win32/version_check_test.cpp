// The version check and the periodic offers under Wine, against a local HTTP server
// (version_server.py, Debian's python3) standing for the maker's version server.
#include <gtest/gtest.h>
#include <windows.h>

#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/settings_names.h"
#include "gui/update_offers_win.h"
#include "setup/server_addresses.h"
#include "setup/version_check_win.h"
#include "setup/version_reply.h"
#include "tests/support/linux_process.h"
#include "tests/support/message_box_answer.h"
#include "tests/support/registry_guard.h"
#include "tests/support/trusted_root.h"
#include "tests/support/win32_driver.h"
#include "win/settings_win.h"

namespace {

using vt_test::MessageBoxAnswer;
using vt_test::wait_until;

const char kQuestionCaption[] = "Version Mise à Jour Disponible";
const char kQuestion[] =
    "Une version mise à jour de ce logiciel est dès à présent disponible en ligne. Voulez vous plus d'informations "
    "sur cette nouvelle version?";
const char kPage[] = "http://www.example.test/vocatrack/new.html";

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

class KeptPages : public vt::WebOpener {
 public:
  void open(const std::string& url) override { opened.push_back(url); }
  std::vector<std::string> opened;
};

class VersionCheckTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new vt_test::LocalServer("version-server", "version_server.py");
    port_ = server_->port;
    log_ = server_->request_log;
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    ASSERT_FALSE(port_.empty()) << "the local version server did not start";
    for (const char* name : {"LastCheckVersion", "VCheckDate", "RelatedPDate", "RelatedPCheck"})
      vt_test::delete_value(vt::Hive::Machine, "Software\\Ardentine\\Vocatrack\\Settings", name);
    std::ofstream(vt_test::windows_path(log_), std::ios::trunc).close();
  }

  void use_server(const std::string& mode) {
    vt_test::write_raw_value(vt::Hive::Machine, "Software\\Ardentine\\Vocatrack\\Servers", "VersionServer", REG_SZ,
                             server(mode));
  }
  static std::string server(const std::string& mode) { return "http://127.0.0.1:" + port_ + "/" + mode; }
  std::string requests() { return read_text(vt_test::windows_path(log_)); }
  int last_told() { return vt::read_machine_int("Settings", "LastCheckVersion", -1); }

  vt_test::SettingGuard server_setting_{vt::Hive::Machine, vt::kSectionServers, "VersionServer"};
  vt_test::SettingGuard last_{vt::Hive::Machine, "Settings", "LastCheckVersion"};
  vt_test::SettingGuard check_date_{vt::Hive::Machine, "Settings", "VCheckDate"};
  vt_test::SettingGuard related_date_{vt::Hive::Machine, "Settings", "RelatedPDate"};
  vt_test::SettingGuard related_check_{vt::Hive::Machine, "Settings", "RelatedPCheck"};
  KeptPages pages_;

  static vt_test::LocalServer* server_;
  static std::string port_, log_;
};

vt_test::LocalServer* VersionCheckTest::server_ = nullptr;
std::string VersionCheckTest::port_, VersionCheckTest::log_;

TEST_F(VersionCheckTest, NewerVersionIsOfferedAndItsPageOpenedOnYes) {
  // The address is lower-cased before use.
  vt_test::write_raw_value(vt::Hive::Machine, "Software\\Ardentine\\Vocatrack\\Servers", "VersionServer", REG_SZ,
                           "HTTP://127.0.0.1:" + port_ + "/Newer");
  MessageBoxAnswer answer(kQuestionCaption, IDYES);
  vt::run_version_check(nullptr, &pages_);
  answer.join();
  EXPECT_TRUE(answer.answered);
  EXPECT_EQ(kQuestion, answer.text);
  EXPECT_EQ(std::vector<std::string>{kPage}, pages_.opened);
  EXPECT_EQ(205, last_told());
  EXPECT_EQ("GET /newer/versions/vocatrack.txt|127.0.0.1:" + port_ + "\n", requests());

  // Told already: the same version is not offered again.
  MessageBoxAnswer again(kQuestionCaption, IDYES);
  vt::run_version_check(nullptr, &pages_);
  again.stop_looking();
  EXPECT_FALSE(again.answered);
  EXPECT_EQ(1u, pages_.opened.size());
}

TEST_F(VersionCheckTest, AfterNoTheSameVersionIsOfferedAgain) {
  use_server("newer");
  for (int round = 0; round < 2; ++round) {
    MessageBoxAnswer answer(kQuestionCaption, IDNO);
    vt::run_version_check(nullptr, &pages_);
    answer.join();
    EXPECT_TRUE(answer.answered) << "round " << round;
  }
  EXPECT_TRUE(pages_.opened.empty());
  EXPECT_EQ(-1, last_told());  // nothing stored: still the program's own 2.01
}

class FetchTask : public vt::ProgressTask {
 public:
  explicit FetchTask(const std::string& url) : ProgressTask("Vérification des Mises à Jour"), url_(url) {}
  bool run() override {
    result = vt::fetch_version_reply(this, url_, &reply);
    return result == vt::Outcome::kDone;
  }
  std::string reply;

 private:
  std::string url_;
};

TEST_F(VersionCheckTest, SameVersionSpoofedPagesAndLateVersionsAreNotOffered) {
  // Each reply is fetched whole and read as announced, so that what refuses it is the
  // decision and not a failed fetch.
  struct Refused {
    const char* mode;
    int hundredths;
    const char* info;
  };
  const Refused kRefused[] = {{"same", 201, kPage},
                              {"file", 205, "file:///c:/windows/system32/calc.exe"},
                              {"cmd", 205, "cmd.exe /c calc"},
                              {"beyond", 0, ""},
                              {"noinfo", 205, ""}};
  for (const Refused& refused : kRefused) {
    SCOPED_TRACE(refused.mode);
    FetchTask fetch(vt::version_file_url(server(refused.mode)));
    vt::run_progress_task(&fetch, nullptr);
    ASSERT_EQ(vt::Outcome::kDone, fetch.result);
    ASSERT_EQ(0u, fetch.reply.find("HTTP/1.0 200"));
    const vt::VersionReply read = vt::parse_version_reply(fetch.reply);
    EXPECT_EQ(refused.hundredths, read.hundredths);
    EXPECT_EQ(refused.info, read.info_url);

    std::ofstream(vt_test::windows_path(log_), std::ios::trunc).close();
    use_server(refused.mode);
    MessageBoxAnswer answer(kQuestionCaption, IDYES);
    vt::run_version_check(nullptr, &pages_);
    answer.stop_looking();
    EXPECT_FALSE(answer.answered);
    EXPECT_EQ("GET /" + std::string(refused.mode) + "/versions/vocatrack.txt|127.0.0.1:" + port_ + "\n", requests());
  }
  EXPECT_TRUE(pages_.opened.empty());
  EXPECT_EQ(-1, last_told());
}

TEST_F(VersionCheckTest, SlowServerIsCancelledFromTheProgressDialog) {
  bool clicked = false;
  std::thread user([&] {
    HWND dialog = vt_test::find_window("#32770", "Vérification des Mises à Jour", 20000);
    // The request has reached the server: the client is waiting for the reply.
    if (dialog && wait_until([&] { return requests().find("/slow/") != std::string::npos; }, 20000)) {
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      clicked = true;
    }
  });
  FetchTask task(vt::version_file_url(server("slow")));
  EXPECT_FALSE(vt::run_progress_task(&task, nullptr));
  user.join();
  EXPECT_TRUE(clicked);
  EXPECT_EQ(vt::Outcome::kStopped, task.result);
}

TEST_F(VersionCheckTest, ReplyIsCutAt511BytesAndAClosedConnectionEndsIt) {
  FetchTask beyond(vt::version_file_url(server("beyond")));
  vt::run_progress_task(&beyond, nullptr);
  EXPECT_EQ(vt::Outcome::kDone, beyond.result);
  EXPECT_EQ(511u, beyond.reply.size());
  EXPECT_EQ(0u, beyond.reply.find("HTTP/1.0 200"));

  FetchTask newer(vt::version_file_url(server("newer")));
  vt::run_progress_task(&newer, nullptr);
  EXPECT_EQ(vt::Outcome::kDone, newer.result);
  EXPECT_NE(std::string::npos, newer.reply.find("\r\n\r\nversion=2.05&info="));

  // Nothing listens on port 1.
  FetchTask refused("http://127.0.0.1:1/versions/vocatrack.txt");
  vt::run_progress_task(&refused, nullptr);
  EXPECT_EQ(vt::Outcome::kFailed, refused.result);
}

// The same reply through TLS, the certificate checked against the host name: one
// for another name gets no reply at all.
TEST_F(VersionCheckTest, HttpsServerIsReadThroughTlsAndItsNameChecked) {
  std::string authority = vt_test::build_dir() + "/test-scratch/version-authority";
  vt_test::TrustedRoot root(authority);
  ASSERT_TRUE(root.added());
  {
    vt_test::LocalServer good("version-https", "version_server.py", "--tls '" + authority + "'");
    ASSERT_FALSE(good.port.empty());
    FetchTask newer(vt::version_file_url("https://localhost:" + good.port + "/newer"));
    vt::run_progress_task(&newer, nullptr);
    EXPECT_EQ(vt::Outcome::kDone, newer.result);
    EXPECT_EQ(0u, newer.reply.find("HTTP/1.0 200"));
    EXPECT_NE(std::string::npos, newer.reply.find("\r\n\r\nversion=2.05&info="));
    FetchTask beyond(vt::version_file_url("https://localhost:" + good.port + "/beyond"));
    vt::run_progress_task(&beyond, nullptr);
    EXPECT_EQ(511u, beyond.reply.size());

    vt_test::LocalServer other("version-https-other", "version_server.py",
                               "--tls '" + authority + "' --cert other");
    ASSERT_FALSE(other.port.empty());
    FetchTask refused(vt::version_file_url("https://localhost:" + other.port + "/newer"));
    vt::run_progress_task(&refused, nullptr);
    EXPECT_EQ(vt::Outcome::kFailed, refused.result);
    EXPECT_EQ("", refused.reply);
  }
}

TEST_F(VersionCheckTest, OffersFollowTheStoredDates) {
  use_server("newer");
  const time_t now = time(nullptr);
  // First start: both dates stored, nothing fetched.
  vt::run_update_offers(nullptr, now);
  EXPECT_EQ(static_cast<int>(now), vt::read_machine_int("Settings", "RelatedPDate", 0));
  EXPECT_EQ(static_cast<int>(now), vt::read_machine_int("Settings", "VCheckDate", 0));
  EXPECT_EQ("", requests());

  // 46 days on: the related programs' wizard, once, and no version check.
  const time_t later = now + 46 * 86400;
  std::thread user([] {
    HWND sheet = vt_test::find_dialog_with_control("Trimwell", 20000);
    if (sheet) {
      vt_test::save_screenshot("related_programs_page");
      PostMessageA(sheet, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
  });
  vt::run_update_offers(nullptr, later);
  user.join();
  EXPECT_EQ(1, vt::read_machine_int("Settings", "RelatedPCheck", 0));
  EXPECT_EQ("", requests());

  // 91 days after the first start: the version check, its date stored first.
  const time_t due = now + 91 * 86400;
  MessageBoxAnswer answer(kQuestionCaption, IDNO);
  vt::run_update_offers(nullptr, due);
  answer.join();
  EXPECT_TRUE(answer.answered);
  EXPECT_EQ(static_cast<int>(due), vt::read_machine_int("Settings", "VCheckDate", 0));
  EXPECT_NE(std::string::npos, requests().find("/newer/versions/vocatrack.txt"));
}

}  // namespace
