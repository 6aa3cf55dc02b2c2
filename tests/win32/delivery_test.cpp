// The delivery queue under Wine with real peers: the list file through the queue's
// worker, the mirror copy, the external program (the stand-in and a batch file),
// MAPI through a stand-in MAPI32.DLL, SMTP to aiosmtpd and FTP to pyftpdlib.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "delivery/delivery_queue_win.h"
#include "delivery/ftp_upload_win.h"
#include "delivery/mapi_win.h"
#include "tests/support/linux_process.h"
#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"
#include "win/handles_win.h"
#include "win/settings_win.h"
#include "win/wininet_win.h"

namespace vt {
namespace {

using vt_test::wait_until;

const char kListName[] = "bgsend.lst";

std::string text_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

int64_t file_size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string list_of(uint16_t restart, const std::vector<std::string>& paths) {
  std::string bytes = {1, 0, static_cast<char>(restart), 0, 4, 1, 0, 0};
  for (const std::string& path : paths) {
    std::string record = path;
    record.resize(260, '\0');
    bytes += record;
  }
  return bytes;
}

// A recording-like file with every byte value.
std::string sample_bytes(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 151) ^ (i >> 8));
  return bytes;
}

class Recorded : public DeliveryListener {
 public:
  explicit Recorded(const std::string& list) : list_(list) {}
  void delivery_message(const std::string& text) override {
    CriticalSectionLock hold(lock_);
    messages_.push_back(text);
  }
  void file_delivered(const std::string& path, Outcome result) override {
    CriticalSectionLock hold(lock_);
    delivered_.push_back(path);
    results_.push_back(static_cast<int>(result));  // the outcome's value
    list_sizes_.push_back(file_size(list_));
  }
  size_t delivered_count() {
    CriticalSectionLock hold(lock_);
    return delivered_.size();
  }
  std::vector<std::string> messages() {
    CriticalSectionLock hold(lock_);
    return messages_;
  }
  std::vector<int> results() {
    CriticalSectionLock hold(lock_);
    return results_;
  }
  std::vector<std::string> delivered() {
    CriticalSectionLock hold(lock_);
    return delivered_;
  }
  std::vector<int64_t> list_sizes() {
    CriticalSectionLock hold(lock_);
    return list_sizes_;
  }

 private:
  std::string list_;
  CriticalSection lock_;
  std::vector<std::string> messages_, delivered_;
  std::vector<int> results_;
  std::vector<int64_t> list_sizes_;
};

class DeliveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* const settings[] = {"SendFolder", "SendFolderDir", "SendEmail", "SendFtp", "SendRun", "SendRunExe"};
    for (const char* name : settings) guards_.emplace_back(new vt_test::SettingGuard(Hive::Machine, "Settings", name));
    for (const char* name : {"To", "ReplyToEmail", "UseMAPI", "MailSMTPHost"})
      guards_.emplace_back(new vt_test::SettingGuard(Hive::Machine, "Email", name));
    for (const char* name : {"Server", "UserName", "Password", "Directory"})
      guards_.emplace_back(new vt_test::SettingGuard(Hive::Machine, "Ftp", name));
    for (const BoolSetting* method : {&kSendFolder, &kSendEmail, &kSendFtp, &kSendRun}) write_setting(*method, false);
    folder_ = vt_test::scratch_folder(name());
    linux_folder_ = vt_test::build_dir() + "/test-scratch/" + name();
    list_ = folder_ + "\\" + kListName;
    recorded_.reset(new Recorded(list_));
  }
  void TearDown() override {
    queue_.reset();
    guards_.clear();
    vt_test::remove_tree(folder_);
  }
  static std::string name() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

  DeliveryQueue& queue() {
    if (!queue_) queue_.reset(new DeliveryQueue(recorded_.get()));
    return *queue_;
  }
  std::string recording(const std::string& file, size_t size = 3000) {
    std::string path = folder_ + "\\" + file;
    write_bytes(path, sample_bytes(size));
    return path;
  }
  bool delivered(size_t count, int timeout_ms = 30000) {
    return wait_until([&] { return recorded_->delivered_count() >= count; }, timeout_ms);
  }

  std::vector<std::unique_ptr<vt_test::SettingGuard>> guards_;
  std::string folder_, linux_folder_, list_;
  std::unique_ptr<Recorded> recorded_;
  std::unique_ptr<DeliveryQueue> queue_;
};

TEST_F(DeliveryTest, NoMethodOnPassesThroughTheListSilently) {
  queue().resume_pending(list_);
  EXPECT_EQ(-1, file_size(list_));  // a missing list is created and deleted again
  queue().enqueue_recording(recording("one.wav"));
  ASSERT_TRUE(delivered(1));
  EXPECT_TRUE(wait_until([&] { return !queue().delivering(); }, 5000));
  EXPECT_EQ(0, file_size(list_));
  EXPECT_TRUE(recorded_->messages().empty());
  EXPECT_EQ(std::vector<int>{0}, recorded_->results());
}

TEST_F(DeliveryTest, PendingListShrinksRecordByRecord) {
  std::vector<std::string> paths = {recording("1.wav"), recording("2.wav"), recording("3.wav")};
  write_bytes(list_, list_of(1, paths));
  queue().resume_pending(list_);
  ASSERT_TRUE(delivered(3));
  EXPECT_EQ((std::vector<int64_t>{528, 268, 0}), recorded_->list_sizes());
}

TEST_F(DeliveryTest, StaleForeignAndHeaderOnlyLists) {
  write_bytes(list_, list_of(2, {recording("1.wav")}));
  queue().resume_pending(list_);
  EXPECT_EQ(-1, file_size(list_));
  EXPECT_FALSE(queue().delivering());

  // A header alone: resumed, the worker finds nothing and leaves it; an append goes after it.
  write_bytes(list_, list_of(0, {}));
  queue().resume_pending(list_);
  EXPECT_TRUE(wait_until([&] { return !queue().delivering(); }, 5000));
  EXPECT_EQ(list_of(1, {}), text_of(list_));
  queue().enqueue_recording(recording("one.wav"));
  ASSERT_TRUE(delivered(1));
  EXPECT_EQ(0, file_size(list_));

  // 8 + 100 bytes: the worker deletes it.
  queue().stop(5000);
  write_bytes(list_, list_of(0, {}) + std::string(100, 'x'));
  queue().resume_pending(list_);
  EXPECT_TRUE(wait_until([&] { return file_size(list_) == -1; }, 10000));
  EXPECT_EQ(1u, recorded_->delivered_count());
}

// Three starts in a row ended during the same head's delivery: only that record goes.
TEST_F(DeliveryTest, StuckHeadIsDroppedAtTheThirdStartAndTheRestDelivered) {
  std::vector<std::string> paths = {recording("stuck.wav"), recording("2.wav"), recording("3.wav")};
  write_bytes(list_, list_of(2, paths));
  queue().resume_pending(list_);
  ASSERT_TRUE(delivered(2));
  EXPECT_TRUE(wait_until([&] { return !queue().delivering(); }, 5000));
  EXPECT_EQ((std::vector<std::string>{paths[1], paths[2]}), recorded_->delivered());
  EXPECT_EQ(0, file_size(list_));
}

// Another program holds the list while the worker would remove the head it has just
// delivered: the record stays, but this run never delivers it again.
TEST_F(DeliveryTest, HeadDeliveredButNotRemovedIsNeverRunAgain) {
  std::string standin = vt_test::windows_path(vt_test::build_dir() + "/tests/win32/vt_standin.exe");
  OwnedHandle stay(CreateEventA(nullptr, TRUE, FALSE, "vt-delivery-stay"));
  SetEnvironmentVariableA("VT_STANDIN_STAY_EVENT", "vt-delivery-stay");
  std::string log = folder_ + "\\program.log";
  SetEnvironmentVariableA("VT_STANDIN_LOG", log.c_str());
  write_setting(kSendRun, true);
  write_setting(kSendRunExe, ("\"" + standin + "\" companion \"%s\"").c_str());
  std::string first = recording("first.wav"), second = recording("second.wav");
  queue().resume_pending(list_);
  queue().enqueue_recording(first);
  ASSERT_TRUE(wait_until([&] { return file_size(log) > 0; }, 20000));
  OwnedHandle reader(CreateFileA(list_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(reader.get() != INVALID_HANDLE_VALUE);
  SetEvent(stay.get());
  SetEnvironmentVariableA("VT_STANDIN_STAY_EVENT", nullptr);
  ASSERT_TRUE(delivered(1));
  ASSERT_TRUE(wait_until([&] { return !queue().delivering(); }, 30000));
  EXPECT_EQ(list_of(0, {first}), text_of(list_));
  reader.reset();

  queue().enqueue_recording(second);
  ASSERT_TRUE(delivered(2));
  EXPECT_TRUE(wait_until([&] { return file_size(list_) == 0; }, 10000));
  EXPECT_EQ("companion \"" + standin + "\" companion \"" + first + "\"\n" + "companion \"" + standin +
                "\" companion \"" + second + "\"\n",
            text_of(log));
  EXPECT_EQ((std::vector<std::string>{first, second}), recorded_->delivered());
}

TEST_F(DeliveryTest, MirrorMissingStillSendsTheMailAndReportsTheCopy) {
  std::string mapi_log = folder_ + "\\mapi.log";
  SetEnvironmentVariableA("VT_MAPI_LOG", mapi_log.c_str());
  WriteProfileStringA("Mail", "MAPI", "1");
  write_setting(kSendFolder, true);
  write_setting(kSendFolderDir, (folder_ + "\\missing").c_str());
  write_setting(kSendEmail, true);
  write_setting(kEmailUseMapi, true);
  write_setting(kEmailTo, "jean@example.org");
  std::string path = recording("Untitled 1.wav");
  queue().resume_pending(list_);
  queue().enqueue_recording(path);
  ASSERT_TRUE(delivered(1));
  EXPECT_EQ(std::vector<std::string>{"Impossible de copier le fichier \"Untitled 1.wav\" dans le répertoire de "
                                     "sauvegarde. Veuillez vérifier le chemin d'accès du répertoire de sauvegarde "
                                     "dans Options->Transmettre à nouveau."},
            recorded_->messages());
  EXPECT_EQ(std::vector<int>{0}, recorded_->results());  // the last method's result
  EXPECT_EQ("to=jean@example.org|SMTP:jean@example.org subject=Vocatrack Sound Recorder - Enregistrement envoyé "
            "par Email  Untitled 1.wav files=" + path + "|Untitled 1.wav;\n",
            text_of(mapi_log));
  EXPECT_EQ(0, file_size(list_));
}

TEST_F(DeliveryTest, MapiSendsOncePerRecipientAndEveryResultCounts) {
  std::string mapi_log = folder_ + "\\mapi.log";
  SetEnvironmentVariableA("VT_MAPI_LOG", mapi_log.c_str());
  WriteProfileStringA("Mail", "MAPI", "1");
  std::vector<std::string> files = {folder_ + "\\a.wav"};
  EXPECT_TRUE(mapi_available());
  EXPECT_TRUE(mapi_send("a@x.org, b@y.org,c@z.org", "S", "B", files));
  EXPECT_FALSE(mapi_send("a@x.org, b@y.org, refuse@z.org", "S", "B", files));
  EXPECT_FALSE(mapi_send("refuse@x.org, b@y.org", "S", "B", files));
  EXPECT_TRUE(mapi_send("Jean \"jean@x.org\"", "S", "B", files));
  EXPECT_TRUE(mapi_send("   ", "S", "B", files));  // no recipient, no call
  EXPECT_FALSE(mapi_send("", "S", "B", files));
  std::string log = text_of(mapi_log);
  int calls = 0;
  for (size_t at = 0; (at = log.find("to=", at)) != std::string::npos; ++at) ++calls;
  EXPECT_EQ(3 + 3 + 2 + 1, calls);
  EXPECT_NE(std::string::npos, log.find("to=jean@x.org|SMTP:jean@x.org subject=S"));

  // Without the profile entry there is no MAPI.
  WriteProfileStringA("Mail", "MAPI", "0");
  EXPECT_FALSE(mapi_available());
  EXPECT_FALSE(mapi_send("a@x.org", "S", "B", files));
  WriteProfileStringA("Mail", "MAPI", "1");
}

TEST_F(DeliveryTest, ExternalProgramGetsThePathFromTheTemplateOnly) {
  std::string standin = vt_test::windows_path(vt_test::build_dir() + "/tests/win32/vt_standin.exe");
  std::string log = folder_ + "\\program.log";
  SetEnvironmentVariableA("VT_STANDIN_LOG", log.c_str());
  SetEnvironmentVariableA("VT_STANDIN_STAY_EVENT", nullptr);
  std::string path = recording("Prise 1.wav");
  write_setting(kSendRun, true);
  write_setting(kSendRunExe, ("\"" + standin + "\" companion \"%s\"").c_str());
  EXPECT_EQ(Outcome::kDone, queue().deliver_file(path));
  EXPECT_EQ("companion \"" + standin + "\" companion \"" + path + "\"\n", text_of(log));

  // A hostile template: only the first %s is the path, the rest stays text.
  DeleteFileA(log.c_str());
  write_setting(kSendRunExe, ("\"" + standin + "\" companion %n%n%s%s %d%%").c_str());
  EXPECT_EQ(Outcome::kDone, queue().deliver_file(path));
  EXPECT_EQ("companion \"" + standin + "\" companion %n%n" + path + "%s %d%\n", text_of(log));

  // A batch file with a quoted "%s".
  std::string batch = folder_ + "\\record.bat";
  std::string batch_log = folder_ + "\\batch.log";
  write_bytes(batch, "@echo %~1>> \"" + batch_log + "\"\r\n");
  write_setting(kSendRunExe, ("\"" + batch + "\" \"%s\"").c_str());
  EXPECT_EQ(Outcome::kDone, queue().deliver_file(path));
  EXPECT_EQ(path + "\r\n", text_of(batch_log));

  // A program that can't be started is reported with the program's message.
  write_setting(kSendRunExe, (folder_ + "\\absent.exe %s").c_str());
  queue().resume_pending(list_);
  queue().enqueue_recording(path);
  ASSERT_TRUE(delivered(1));
  EXPECT_EQ(std::vector<std::string>{"Impossible de lancer le programme exe avec le fichier \"Prise 1.wav\". "
                                     "Veuillez vérifier le Chemin d'Accès Externe à l'Exe dans "
                                     "Options->Transmettre à nouveau."},
            recorded_->messages());
  EXPECT_EQ(std::vector<int>{2}, recorded_->results());
}

TEST_F(DeliveryTest, StopWhileTheProgramRunsKeepsTheRecord) {
  std::string standin = vt_test::windows_path(vt_test::build_dir() + "/tests/win32/vt_standin.exe");
  OwnedHandle stay(CreateEventA(nullptr, TRUE, FALSE, "vt-delivery-stay"));
  SetEnvironmentVariableA("VT_STANDIN_STAY_EVENT", "vt-delivery-stay");
  std::string log = folder_ + "\\program.log";
  SetEnvironmentVariableA("VT_STANDIN_LOG", log.c_str());
  write_setting(kSendRun, true);
  write_setting(kSendRunExe, ("\"" + standin + "\" companion \"%s\"").c_str());
  std::string path = recording("long.wav");
  queue().resume_pending(list_);
  queue().enqueue_recording(path);
  ASSERT_TRUE(wait_until([&] { return file_size(log) > 0; }, 20000));
  DWORD before = GetTickCount();
  queue().stop(5000);
  EXPECT_LT(GetTickCount() - before, 4000u);
  EXPECT_FALSE(queue().delivering());
  SetEvent(stay.get());
  SetEnvironmentVariableA("VT_STANDIN_STAY_EVENT", nullptr);
  EXPECT_TRUE(recorded_->messages().empty());
  EXPECT_EQ(0u, recorded_->delivered_count());
  EXPECT_EQ(list_of(0, {path}), text_of(list_));
}

TEST_F(DeliveryTest, SmtpToAiosmtpdWithLogin) {
  std::string peers = vt_test::env("VT_SOURCE_DIR") + "/tests/peers";
  vt_test::LinuxProcess server("exec /usr/bin/python3 " + peers + "/smtp_server.py '" + linux_folder_ +
                               "' jean@example.org 's3cr:et'");
  ASSERT_TRUE(server.start());
  std::string port_file = folder_ + "\\port";
  ASSERT_TRUE(wait_until([&] { return file_size(port_file) > 0; }, 30000)) << "aiosmtpd did not start";
  std::string port = text_of(port_file);
  write_setting(kSendEmail, true);
  write_setting(kEmailUseMapi, false);
  write_setting(kEmailSmtpHost, ("jean@example.org:s3cr:et@127.0.0.1:" + port).c_str());
  write_setting(kEmailTo, "dest@example.org, copie@example.org");
  write_setting(kEmailReplyTo, "enregistreur@example.org");
  std::string audio = sample_bytes(300 * 1024 + 5);
  std::string path = folder_ + "\\Réunion 1.wav";
  write_bytes(path, audio);
  queue().resume_pending(list_);
  queue().enqueue_recording(path);
  ASSERT_TRUE(delivered(1, 60000));
  EXPECT_TRUE(recorded_->messages().empty());
  EXPECT_EQ(std::vector<int>{0}, recorded_->results());
  ASSERT_TRUE(wait_until([&] { return file_size(folder_ + "\\1.env") > 0; }, 10000));
  EXPECT_EQ("from enregistreur@example.org\nto dest@example.org|copie@example.org\nauth True\n",
            text_of(folder_ + "\\1.env"));
  ASSERT_EQ(0, vt_test::run_linux("/usr/bin/python3 " + peers + "/mail_check.py '" + linux_folder_ + "/1.eml' '" +
                                  linux_folder_ + "/seen'"));
  // What a reader sees, in UTF-8.
  EXPECT_EQ("Vocatrack Sound Recorder - Enregistrement envoy\xc3\xa9 par Email  R\xc3\xa9union 1.wav",
            text_of(folder_ + "\\seen.subject"));
  std::string body = text_of(folder_ + "\\seen.body");
  EXPECT_EQ(0u, body.find("La pi\xc3\xa8" "ce jointe est un enregistrement fait par Vocatrack Sound Recorder.\n"));
  EXPECT_NE(std::string::npos, body.find("Nom de Fichier: R\xc3\xa9union 1.wav"));
  EXPECT_NE(std::string::npos, body.find("t\xc3\xa9l\xc3\xa9" "charger le logiciel gratuit d'\xc3\xa9" "dition audio"));
  EXPECT_TRUE(text_of(folder_ + "\\seen.0") == audio);
  EXPECT_EQ(0, file_size(list_));
  server.kill();
}

TEST_F(DeliveryTest, FtpToPyftpdlib) {
  std::string peers = vt_test::env("VT_SOURCE_DIR") + "/tests/peers";
  CreateDirectoryA((folder_ + "\\ftp-root").c_str(), nullptr);
  CreateDirectoryA((folder_ + "\\ftp-root\\depot").c_str(), nullptr);
  vt_test::LinuxProcess server("exec /usr/bin/python3 " + peers + "/ftp_server.py '" + linux_folder_ +
                               "/ftp-root' marie 'mot de passe' 21");
  ASSERT_TRUE(server.start());
  ASSERT_TRUE(wait_until([&] { return file_size(folder_ + "\\ftp-ready") > 0; }, 30000)) << "pyftpdlib did not start";
  write_setting(kSendFtp, true);
  write_setting(kFtpServer, "127.0.0.1");
  write_setting(kFtpUserName, "marie");
  write_setting(kFtpPassword, "mot de passe");
  write_setting(kFtpDirectory, "/depot");
  std::string audio = sample_bytes(70001);
  std::string path = folder_ + "\\take 2.mp3";
  write_bytes(path, audio);
  std::string empty = folder_ + "\\empty.wav";
  write_bytes(empty, "");
  queue().resume_pending(list_);
  queue().enqueue_recording(path);
  queue().enqueue_recording(empty);
  ASSERT_TRUE(delivered(2, 60000));
  EXPECT_EQ((std::vector<int>{0, 0}), recorded_->results());
  EXPECT_TRUE(text_of(folder_ + "\\ftp-root\\depot\\take 2.mp3") == audio);
  EXPECT_EQ(0, file_size(folder_ + "\\ftp-root\\depot\\empty.wav"));

  // A wrong password fails with the FTP message.
  write_setting(kFtpPassword, "faux");
  queue().enqueue_recording(path);
  ASSERT_TRUE(delivered(3, 60000));
  EXPECT_EQ(2, recorded_->results()[2]);
  EXPECT_EQ(std::vector<std::string>{"Impossible de charger le fichier \"take 2.mp3\" sur le Serveur FTP. Veuillez "
                                     "vérifier les détails du Serveur FTP dans Options->Transmettre à nouveau."},
            recorded_->messages());
  server.kill();
}

// A recording another program still holds is waited for; an empty one is mailed too.
TEST_F(DeliveryTest, SmtpWaitsForAHeldRecordingAndMailsAnEmptyOne) {
  std::string peers = vt_test::env("VT_SOURCE_DIR") + "/tests/peers";
  vt_test::LinuxProcess server("exec /usr/bin/python3 " + peers + "/smtp_server.py '" + linux_folder_ +
                               "' jean@example.org secret");
  ASSERT_TRUE(server.start());
  ASSERT_TRUE(wait_until([&] { return file_size(folder_ + "\\port") > 0; }, 30000)) << "aiosmtpd did not start";
  write_setting(kSendEmail, true);
  write_setting(kEmailUseMapi, false);
  write_setting(kEmailSmtpHost, ("jean@example.org:secret@127.0.0.1:" + text_of(folder_ + "\\port")).c_str());
  write_setting(kEmailTo, "dest@example.org");
  write_setting(kEmailReplyTo, "enregistreur@example.org");
  std::string audio = sample_bytes(5000);
  std::string path = folder_ + "\\held.wav";
  write_bytes(path, audio);
  std::string empty = folder_ + "\\empty.wav";
  write_bytes(empty, "");

  OwnedHandle holder(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(holder.get() != INVALID_HANDLE_VALUE);
  queue().resume_pending(list_);
  queue().enqueue_recording(path);
  // Given up at once, the delivery would be over by now.
  EXPECT_FALSE(delivered(1, 150));
  holder.reset();
  ASSERT_TRUE(delivered(1, 60000));
  queue().enqueue_recording(empty);
  ASSERT_TRUE(delivered(2, 60000));
  EXPECT_TRUE(recorded_->messages().empty());
  EXPECT_EQ((std::vector<int>{0, 0}), recorded_->results());

  ASSERT_TRUE(wait_until([&] { return file_size(folder_ + "\\2.eml") > 0; }, 10000));
  ASSERT_EQ(0, vt_test::run_linux("/usr/bin/python3 " + peers + "/mail_check.py '" + linux_folder_ + "/1.eml' '" +
                                  linux_folder_ + "/one'"));
  EXPECT_TRUE(text_of(folder_ + "\\one.0") == audio);
  ASSERT_EQ(0, vt_test::run_linux("/usr/bin/python3 " + peers + "/mail_check.py '" + linux_folder_ + "/2.eml' '" +
                                  linux_folder_ + "/two'"));
  EXPECT_EQ("empty.wav audio/wav", text_of(folder_ + "\\two.names"));
  EXPECT_EQ(0, file_size(folder_ + "\\two.0"));
  server.kill();
}

// WinINet's side of an upload, played by the test: the server's word on the whole
// file comes when the remote file is closed.
struct FakeFtp {
  static HINTERNET WINAPI open(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD) { return kInternet; }
  static HINTERNET WINAPI connect(HINTERNET, LPCSTR, INTERNET_PORT, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR) {
    return kConnection;
  }
  static HINTERNET WINAPI open_file(HINTERNET, LPCSTR, DWORD, DWORD, DWORD_PTR) { return kFile; }
  static BOOL WINAPI write(HINTERNET, LPCVOID, DWORD bytes, LPDWORD written) {
    sent += bytes;
    *written = bytes;
    return TRUE;
  }
  static BOOL WINAPI close(HINTERNET handle) {
    closed.push_back(handle);
    return handle != kFile || !refuse;
  }
  static HINTERNET const kInternet, kConnection, kFile;
  static bool refuse;
  static size_t sent;
  static std::vector<HINTERNET> closed;
};
HINTERNET const FakeFtp::kInternet = reinterpret_cast<HINTERNET>(0x10);
HINTERNET const FakeFtp::kConnection = reinterpret_cast<HINTERNET>(0x20);
HINTERNET const FakeFtp::kFile = reinterpret_cast<HINTERNET>(0x30);
bool FakeFtp::refuse = false;
size_t FakeFtp::sent = 0;
std::vector<HINTERNET> FakeFtp::closed;

class IdleWorker : public WorkerThread {
  void run() override {}
};

TEST_F(DeliveryTest, FtpFileRefusedAtItsCloseIsAFailedUpload) {
  WinInet api;
  api.open = FakeFtp::open;
  api.connect = FakeFtp::connect;
  api.ftp_open_file = FakeFtp::open_file;
  api.write = FakeFtp::write;
  api.close = FakeFtp::close;
  IdleWorker worker;
  std::string path = recording("take.wav", 1000);
  for (bool refuse : {true, false}) {
    SCOPED_TRACE(refuse ? "refused" : "accepted");
    FakeFtp::refuse = refuse;
    FakeFtp::sent = 0;
    FakeFtp::closed.clear();
    EXPECT_EQ(refuse ? Outcome::kFailed : Outcome::kDone, upload_by_ftp(path, FtpSettings{"127.0.0.1", "marie", "secret", ""}, worker, &api));
    EXPECT_EQ(1000u, FakeFtp::sent);
    // Every handle closed once, the file first.
    EXPECT_EQ((std::vector<HINTERNET>{FakeFtp::kFile, FakeFtp::kConnection, FakeFtp::kInternet}), FakeFtp::closed);
  }
}

}  // namespace
}  // namespace vt
