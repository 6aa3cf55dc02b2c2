// Components and companions under Wine against real peers: a local HTTP server
// (component_server.py, run with Debian's python3) stands for the two component
// servers, and the stand-in program (standin.cpp) plays the setup programs it
// serves and the companions they register.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/settings_names.h"
#include "setup/companions_win.h"
#include "setup/components_win.h"
#include "setup/server_addresses.h"
#include "setup/setup_fetch_win.h"
#include "tests/support/linux_process.h"
#include "tests/support/message_box_answer.h"
#include "tests/support/registry_guard.h"
#include "tests/support/trusted_root.h"
#include "tests/support/win32_driver.h"
#include "ui/progress_task_win.h"

namespace {

using vt::Outcome;
using vt_test::MessageBoxAnswer;
using vt_test::wait_until;

const char kStandinEnv[][28] = {"VT_STANDIN_LOG", "VT_STANDIN_REGISTER", "VT_STANDIN_REGISTER_EVENT",
                                "VT_STANDIN_STAY_EVENT", "LQUIET"};

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool environment_has(const char* name, std::string* value = nullptr) {
  char text[256] = {};
  SetLastError(ERROR_SUCCESS);
  DWORD length = GetEnvironmentVariableA(name, text, sizeof text);
  if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
  if (value) *value = text;
  return true;
}

std::string temp_file(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  return std::string(temp) + name + ".exe";
}

std::string standin_path() { return vt_test::windows_path(vt_test::build_dir() + "/tests/win32/vt_standin.exe"); }

// The local server, shared by the whole suite and ended by its id at the end.
class ComponentsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new vt_test::LocalServer("component-server", "component_server.py",
                                       "--file " + vt_test::build_dir() + "/tests/win32/vt_standin.exe");
    port_ = server_->port;
    request_log_ = server_->request_log;
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    ASSERT_FALSE(port_.empty()) << "the local component server did not start";
    folder_ = vt_test::scratch_folder(testing::UnitTest::GetInstance()->current_test_info()->name());
    standin_log_ = folder_ + "\\standin.log";
    SetEnvironmentVariableA("VT_STANDIN_LOG", standin_log_.c_str());
    // Each test starts with an empty request log of its own.
    std::ofstream(vt_test::windows_path(request_log_), std::ios::trunc).close();
  }
  void TearDown() override {
    for (const char* name : kStandinEnv) SetEnvironmentVariableA(name, nullptr);
  }

  static std::string server(const char* mode) { return "http://127.0.0.1:" + port_ + "/" + mode; }
  std::vector<std::string> requests() { return lines_of(read_text(vt_test::windows_path(request_log_))); }
  std::vector<std::string> standin_lines() { return lines_of(read_text(standin_log_)); }
  bool standin_logged(const std::string& line) {
    return wait_until(
        [&] {
          for (const std::string& logged : standin_lines())
            if (logged == line) return true;
          return false;
        },
        20000);
  }

  // The stand-in setup program enters its value only once it has been started and has
  // said so in its log: the program under test is polling for the entry by then.
  class LateRegistration {
   public:
    explicit LateRegistration(ComponentsTest& test) {
      event_ = CreateEventA(nullptr, TRUE, FALSE, "vt-standin-register");
      SetEnvironmentVariableA("VT_STANDIN_REGISTER_EVENT", "vt-standin-register");
      thread_ = std::thread([this, &test] {
        if (test.standin_logged("setup LQUIET=1")) SetEvent(event_);
      });
    }
    ~LateRegistration() {
      SetEvent(event_);
      thread_.join();
      CloseHandle(event_);
    }

   private:
    HANDLE event_;
    std::thread thread_;
  };

  // Points the two component servers (and the web site) at the local server.
  void use_servers(const char* first_mode, const char* second_mode) {
    vt_test::write_raw_value(vt::Hive::Machine, "Software\\Ardentine\\Vocatrack\\Servers", "ComponentServer1", REG_SZ,
                        server(first_mode));
    vt_test::write_raw_value(vt::Hive::Machine, "Software\\Ardentine\\Vocatrack\\Servers", "ComponentServer2", REG_SZ,
                        server(second_mode));
  }

  vt_test::SettingGuard server1_{vt::Hive::Machine, vt::kSectionServers, "ComponentServer1"};
  vt_test::SettingGuard server2_{vt::Hive::Machine, vt::kSectionServers, "ComponentServer2"};
  vt_test::SettingGuard site_{vt::Hive::Machine, vt::kSectionServers, "WebSite"};
  std::string folder_, standin_log_;

  static vt_test::LocalServer* server_;
  static std::string port_, request_log_;
};

vt_test::LocalServer* ComponentsTest::server_ = nullptr;
std::string ComponentsTest::port_, ComponentsTest::request_log_;

// A task whose work fetches and starts one setup program.
class FetchTask : public vt::ProgressTask {
 public:
  FetchTask(const char* name) : ProgressTask("Téléchargement"), name_(name) {}
  bool run() override {
    result = vt::fetch_and_run_setup(this, name_);
    return result == Outcome::kDone;
  }

 private:
  const char* name_;
};

// A task whose work downloads one URL.
class DownloadTask : public vt::ProgressTask {
 public:
  DownloadTask(const std::string& url, const std::string& path) : ProgressTask("Téléchargement"), url_(url), path_(path) {}
  bool run() override {
    result = vt::download_to_file(this, url_.c_str(), path_.c_str());
    return result == Outcome::kDone;
  }

 private:
  std::string url_, path_;
};

std::string component_key(const char* name) { return std::string("Software\\Ardentine\\Components\\") + name; }

TEST_F(ComponentsTest, ServerAddressesComeFromTheSettingsOverride) {
  vt_test::delete_value(vt::Hive::Machine, "Software\\Ardentine\\Vocatrack\\Servers", "ComponentServer1");
  vt_test::delete_value(vt::Hive::Machine, "Software\\Ardentine\\Vocatrack\\Servers", "WebSite");
  EXPECT_EQ(vt::kDefaultComponentServer1, vt::component_server(1));
  EXPECT_EQ(vt::kDefaultWebSite, vt::web_site());
  use_servers("files", "missing");
  EXPECT_EQ(server("files"), vt::component_server(1));
  EXPECT_EQ(server("missing"), vt::component_server(2));
  EXPECT_EQ("http://mirror.test/components/mp3el.exe", vt::setup_program_url("http://mirror.test/", "mp3el"));
}

TEST_F(ComponentsTest, DownloadedSetupRunsQuietlyAndInstallsTheComponent) {
  const char name[] = "vttestinstall";
  vt_test::RegistryValueGuard entry(vt::Hive::User, component_key(name), "Path");
  use_servers("files", "missing");
  // Registers a moment after it starts, as a real setup program would.
  SetEnvironmentVariableA("VT_STANDIN_REGISTER", (std::string("HKCU|") + component_key(name) + "|Path|C:\\vt\\tool.exe").c_str());
  LateRegistration late(*this);
  ASSERT_FALSE(environment_has("LQUIET"));

  EXPECT_TRUE(vt::install_component(name, nullptr, "Télécharger la composante sur demande"));
  EXPECT_EQ("C:\\vt\\tool.exe", vt::component_path(name));
  EXPECT_EQ((std::vector<std::string>{"/files/components/vttestinstall.exe",
                                      "/files/components/vttestinstall.exe.sha256"}),
            requests());
  EXPECT_TRUE(standin_logged("setup LQUIET=1"));
  EXPECT_FALSE(environment_has("LQUIET"));  // absent before, absent again
}

TEST_F(ComponentsTest, FailingFirstServerSendsToTheSecondEvenWithoutALength) {
  const char name[] = "vttestsecond";
  vt_test::RegistryValueGuard entry(vt::Hive::User, component_key(name), "Path");
  use_servers("missing", "nolength");
  SetEnvironmentVariableA("VT_STANDIN_REGISTER", (std::string("HKCU|") + component_key(name) + "|Path|C:\\vt\\second.exe").c_str());

  EXPECT_TRUE(vt::install_component(name, nullptr, "Installer sur Demande"));
  EXPECT_EQ("C:\\vt\\second.exe", vt::component_path(name));
  EXPECT_EQ((std::vector<std::string>{"/missing/components/vttestsecond.exe", "/nolength/components/vttestsecond.exe",
                                      "/nolength/components/vttestsecond.exe.sha256"}),
            requests());
}

TEST_F(ComponentsTest, InstalledComponentIsFoundInEitherHiveWithoutDownloading) {
  const char name[] = "vttestpresent";
  vt_test::RegistryValueGuard machine(vt::Hive::Machine, component_key(name), "Path");
  vt_test::RegistryValueGuard user(vt::Hive::User, component_key(name), "Path");
  use_servers("files", "files");
  EXPECT_EQ("", vt::component_path(name));
  vt_test::write_raw_value(vt::Hive::User, component_key(name), "Path", REG_SZ, "C:\\user\\tool.exe");
  EXPECT_EQ("C:\\user\\tool.exe", vt::component_path(name));
  EXPECT_TRUE(vt::install_component(name, nullptr, "Installer sur Demande"));
  vt_test::write_raw_value(vt::Hive::Machine, component_key(name), "Path", REG_SZ, "C:\\machine\\tool.exe");
  EXPECT_EQ("C:\\machine\\tool.exe", vt::component_path(name));
  EXPECT_TRUE(requests().empty());
}

TEST_F(ComponentsTest, CancelDuringASlowDownloadLeavesNoFileAndNeverTriesTheSecondServer) {
  const char name[] = "vttestslow";
  std::string local = temp_file(name);
  DeleteFileA(local.c_str());
  use_servers("slow", "files");
  std::atomic<bool> clicked{false};
  std::thread user([&] {
    HWND dialog = vt_test::find_window("#32770", "Téléchargement", 20000);
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    // Part of the body has landed: the download is under way.
    if (dialog && wait_until([&] { return GetFileAttributesExA(local.c_str(), GetFileExInfoStandard, &data) &&
                                          data.nFileSizeLow >= 8192; }, 20000)) {
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      clicked = true;
    }
  });
  FetchTask task(name);
  EXPECT_FALSE(vt::run_progress_task(&task, nullptr));
  user.join();
  EXPECT_TRUE(clicked);
  EXPECT_EQ(Outcome::kStopped, task.result);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(local.c_str()));
  EXPECT_EQ(std::vector<std::string>{"/slow/components/vttestslow.exe"}, requests());
  EXPECT_TRUE(standin_lines().empty());  // nothing was started
}

TEST_F(ComponentsTest, CancelledInstallEndsWithoutAMessage) {
  const char name[] = "vttestslowinstall";
  vt_test::RegistryValueGuard entry(vt::Hive::User, component_key(name), "Path");
  use_servers("slow", "files");
  std::thread user([] {
    HWND dialog = vt_test::find_window("#32770", "Installer sur Demande", 20000);
    if (dialog) PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  // A message would block the install: it is answered, and the answer counted.
  MessageBoxAnswer unexpected("Erreur", IDOK);
  EXPECT_FALSE(vt::install_component(name, nullptr, "Installer sur Demande"));
  user.join();
  unexpected.stop_looking();
  EXPECT_FALSE(unexpected.answered);
  EXPECT_EQ(std::vector<std::string>{"/slow/components/vttestslowinstall.exe"}, requests());
}

TEST_F(ComponentsTest, DownloadOfShortBodiesAndFailures) {
  std::string path = folder_ + "\\tiny.bin";
  {
    DownloadTask task(server("tiny") + "/components/t.exe", path);
    vt::run_progress_task(&task, nullptr);
    EXPECT_EQ(Outcome::kDone, task.result);  // a length of 10 bytes or less still downloads
    EXPECT_EQ("tiny!", read_text(path));
  }
  {
    DownloadTask task(server("missing") + "/components/t.exe", folder_ + "\\missing.bin");
    vt::run_progress_task(&task, nullptr);
    EXPECT_EQ(Outcome::kFailed, task.result);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder_ + "\\missing.bin").c_str()));
  }
  {
    // The connection closes half-way through the announced length: a failure, and no
    // cut-off program is left behind to be started.
    DownloadTask task(server("cut") + "/components/t.exe", folder_ + "\\cut.bin");
    vt::run_progress_task(&task, nullptr);
    EXPECT_EQ(Outcome::kFailed, task.result);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder_ + "\\cut.bin").c_str()));
  }
  {
    // Nothing listens on port 1.
    DownloadTask task("http://127.0.0.1:1/components/t.exe", folder_ + "\\refused.bin");
    vt::run_progress_task(&task, nullptr);
    EXPECT_EQ(Outcome::kFailed, task.result);
  }
}

TEST_F(ComponentsTest, LquietSetBeforehandIsLeftAtOne) {
  SetEnvironmentVariableA("LQUIET", "yes");
  use_servers("files", "files");
  FetchTask task("vttestquiet");
  EXPECT_TRUE(vt::run_progress_task(&task, nullptr));
  EXPECT_EQ(Outcome::kDone, task.result);
  EXPECT_TRUE(standin_logged("setup LQUIET=1"));
  std::string value;
  EXPECT_TRUE(environment_has("LQUIET", &value));
  EXPECT_EQ("1", value);
}

TEST_F(ComponentsTest, ComponentThatNeverRegistersNamesTheSitePage) {
  const char name[] = "vttestnever";
  vt_test::RegistryValueGuard entry(vt::Hive::User, component_key(name), "Path");
  use_servers("files", "files");
  vt_test::write_raw_value(vt::Hive::Machine, "Software\\Ardentine\\Vocatrack\\Servers", "WebSite", REG_SZ,
                           server("site"));
  MessageBoxAnswer answer("Erreur", IDOK);
  EXPECT_FALSE(vt::install_component(name, nullptr, "Installer sur Demande"));
  answer.join();
  EXPECT_TRUE(answer.answered);
  EXPECT_EQ("Vocatrack Sound RecorderImpossible d'installer le composant à installer sur demande \"vttestnever\". "
            "Veuillez le télécharger sur " + server("site") + "/components.html et l'installer manuellement.",
            answer.text);
  EXPECT_TRUE(standin_logged("setup LQUIET=1"));  // it did run
}

// Over HTTPS from a server whose certificate the test authority signed: a program
// whose digest matches runs; one whose digest differs, or that has none and no
// signature, is deleted, never started, and the user is told why.
TEST_F(ComponentsTest, HttpsDownloadRunsOnlyAVerifiedProgram) {
  std::string authority = vt_test::build_dir() + "/test-scratch/components-authority";
  vt_test::TrustedRoot root(authority);
  ASSERT_TRUE(root.added());
  {
    vt_test::LocalServer https("component-https", "component_server.py",
                               "--file " + vt_test::build_dir() + "/tests/win32/vt_standin.exe --tls '" + authority +
                                   "'");
    ASSERT_FALSE(https.port.empty()) << "the HTTPS component server did not start";
    auto secure = [&](const char* mode) { return "https://localhost:" + https.port + "/" + mode; };
    std::string local = temp_file("vttesthttps");
    const char kServers[] = "Software\\Ardentine\\Vocatrack\\Servers";
    vt_test::write_raw_value(vt::Hive::Machine, kServers, "ComponentServer1", REG_SZ, secure("files"));
    vt_test::write_raw_value(vt::Hive::Machine, kServers, "ComponentServer2", REG_SZ, secure("missing"));
    FetchTask good("vttesthttps");
    vt::run_progress_task(&good, nullptr);
    EXPECT_EQ(Outcome::kDone, good.result);
    EXPECT_TRUE(standin_logged("setup LQUIET=1"));

    for (const char* mode : {"wrongdigest", "nodigest"}) {
      SCOPED_TRACE(mode);
      std::remove(standin_log_.c_str());
      vt_test::write_raw_value(vt::Hive::Machine, kServers, "ComponentServer1", REG_SZ, secure(mode));
      vt_test::write_raw_value(vt::Hive::Machine, kServers, "ComponentServer2", REG_SZ, secure(mode));
      MessageBoxAnswer answer("Erreur", IDOK);
      FetchTask refused("vttesthttps");
      vt::run_progress_task(&refused, nullptr);
      answer.join();
      EXPECT_EQ(Outcome::kFailed, refused.result);
      EXPECT_TRUE(answer.answered);
      EXPECT_EQ("Le programme d'installation \"vttesthttps.exe\" a été téléchargé mais n'a pas pu être vérifié "
                "(empreinte SHA-256 absente ou différente, et aucune signature valide) : il a été supprimé sans être "
                "lancé.",
                answer.text);
      EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(local.c_str()));
      EXPECT_TRUE(standin_lines().empty());
    }
  }
}

const vt::Companion kTestCompanion = {"VtTestCompanion", "RunTest", "vttestcompsetup", "VtTest", "vttest/index"};
const char kTestCompanionKey[] = "Software\\Ardentine\\VtTestCompanion\\Settings";

class CompanionsTest : public ComponentsTest {
 protected:
  std::string template_text() { return "\"" + standin_path() + "\" companion %s"; }
  vt_test::RegistryValueGuard machine_{vt::Hive::Machine, kTestCompanionKey, "RunTest"};
  vt_test::RegistryValueGuard user_{vt::Hive::User, kTestCompanionKey, "RunTest"};
};

TEST_F(CompanionsTest, CompanionThatRegistersLateIsFoundAndStarted) {
  use_servers("files", "files");
  SetEnvironmentVariableA("VT_STANDIN_REGISTER", (std::string("HKLM|") + kTestCompanionKey + "|RunTest|" + template_text()).c_str());
  LateRegistration late(*this);
  EXPECT_TRUE(vt::launch_companion({kTestCompanion, "Z:\\rec.wav", false}, nullptr));
  EXPECT_EQ((std::vector<std::string>{"/files/components/vttestcompsetup.exe",
                                      "/files/components/vttestcompsetup.exe.sha256"}),
            requests());
  EXPECT_TRUE(standin_logged("companion \"" + standin_path() + "\" companion Z:\\rec.wav"));
}

TEST_F(CompanionsTest, CompanionThatNeverRegistersAsksToDownloadIt) {
  use_servers("files", "files");
  MessageBoxAnswer answer("Download Required", IDNO);
  EXPECT_FALSE(vt::launch_companion({kTestCompanion, "", false}, nullptr));
  answer.join();
  EXPECT_TRUE(answer.answered);
  EXPECT_EQ("The free plugin \"VtTest\" program is required. Do you want to download it now?", answer.text);
}

TEST_F(CompanionsTest, UserHiveTemplateAloneIsUsedAndTheLaunchWaitsForTheCompanion) {
  use_servers("missing", "missing");
  vt_test::write_raw_value(vt::Hive::User, kTestCompanionKey, "RunTest", REG_SZ, template_text());
  HANDLE stay = CreateEventA(nullptr, TRUE, FALSE, "vt-companion-stay");
  SetEnvironmentVariableA("VT_STANDIN_STAY_EVENT", "vt-companion-stay");
  std::string line0, line1;
  std::atomic<bool> companion_seen{false};
  std::thread user([&] {
    HWND dialog = vt_test::find_window("#32770", "Run VtTest", 20000);
    if (dialog) {
      wait_until([&] { return vt_test::control_text(dialog, 100) == "Please wait for VtTest"; }, 20000);
      line0 = vt_test::control_text(dialog, 100);
      line1 = vt_test::control_text(dialog, 101);
      companion_seen = standin_logged("companion \"" + standin_path() + "\" companion \"Z:\\a b.wav\"");
    }
    SetEvent(stay);  // the companion closes
  });
  EXPECT_TRUE(vt::launch_companion({kTestCompanion, "\"Z:\\a b.wav\"", true}, nullptr));
  user.join();
  CloseHandle(stay);
  EXPECT_EQ("Please wait for VtTest", line0);
  EXPECT_EQ("to close to continue...", line1);
  EXPECT_TRUE(companion_seen);
  EXPECT_TRUE(requests().empty());
}

}  // namespace
