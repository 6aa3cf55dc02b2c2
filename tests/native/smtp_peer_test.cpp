// The mail client over real sockets: a message to aiosmtpd with AUTH LOGIN, read
// back by Python's email package; a server that stops answering and one that hangs up.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "delivery/smtp_client.h"
#include "tests/support/native_files.h"

extern char** environ;

namespace vt {
namespace {

struct Flag : StopSignal {
  bool stop_requested() const override { return set.load(); }
  std::atomic<bool> set{false};
};

struct Messages : MailReporter {
  void show_error(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

std::string text_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

bool exists(const std::string& path) { return std::ifstream(path).good(); }

bool wait_for_file(const std::string& path, int timeout_ms) {
  for (int waited = 0; waited < timeout_ms; waited += 20) {
    if (exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// A peer process, ended by its id.
class Peer {
 public:
  explicit Peer(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
  }
  ~Peer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool started() const { return pid_ > 0; }

 private:
  pid_t pid_ = 0;
};

std::string peers_dir() { return VT_PEERS_DIR; }

TEST(SmtpPeer, MessageArrivesAtAiosmtpdWithLoginAndReadsBackInPython) {
  vt_test::TempDir dir;
  Peer server({"/usr/bin/python3", peers_dir() + "/smtp_server.py", dir.dir(), "jean@example.org", "s3cr:et"});
  ASSERT_TRUE(server.started());
  ASSERT_TRUE(wait_for_file(dir.path("port"), 20000)) << "aiosmtpd did not start (python3-aiosmtpd missing?)";
  std::string port = text_of(dir.path("port"));

  // A recording of a little over 200 KB with every byte value.
  std::vector<uint8_t> recording(200 * 1024 + 17);
  for (size_t i = 0; i < recording.size(); ++i) recording[i] = static_cast<uint8_t>((i * 131) ^ (i >> 9));
  // Its name in the program's code page, as Windows hands it over.
  std::string path = dir.path("Entretien d'\xe9t\xe9 (1).wav");
  vt_test::write_file(path, recording);

  MailMessage message = recording_mail(path);
  // The native build keeps literals in UTF-8: the test gives the program's CP1252 bytes itself.
  message.subject = "Vocatrack Sound Recorder - Enregistrement envoy\xe9 par Email  Untitled 1.wav";
  message.body = "La pi\xe8" "ce jointe est un enregistrement.\r\n.point\r\n";
  message.to = "dest@example.org, copy@example.org";
  message.from = "recorder@example.org";
  message.host_text = "jean@example.org:s3cr:et@127.0.0.1:" + port;
  message.allow_plain_login = true;  // this server offers no TLS
  Flag stop;
  Messages shown;
  std::unique_ptr<SocketOps> ops = make_socket_ops();
  SocketMailConnection connection(*ops, stop);
  MailTime now;
  ASSERT_TRUE(local_mail_time(&now));
  ASSERT_EQ(Outcome::kDone, smtp_send(message, connection, stop, shown, &now));
  EXPECT_TRUE(shown.shown.empty());

  ASSERT_TRUE(wait_for_file(dir.path("1.env"), 10000));
  EXPECT_EQ("from recorder@example.org\nto dest@example.org|copy@example.org\nauth True\n", text_of(dir.path("1.env")));
  ASSERT_EQ(0, vt_test::run_command("/usr/bin/python3 " + peers_dir() + "/mail_check.py " + dir.path("1.eml") + " " +
                                    dir.path("seen")));
  EXPECT_EQ("Vocatrack Sound Recorder - Enregistrement envoy\xc3\xa9 par Email  Untitled 1.wav",
            text_of(dir.path("seen.subject")));
  EXPECT_EQ("La pi\xc3\xa8" "ce jointe est un enregistrement.\n.point\n", text_of(dir.path("seen.body")));
  EXPECT_EQ("Entretien d'\xc3\xa9t\xc3\xa9 (1).wav audio/wav", text_of(dir.path("seen.names")));
  EXPECT_TRUE(vt_test::read_file(dir.path("seen.0")) == recording);
  // Every base64 line of the attachment is 76 characters but the last.
  std::string raw = text_of(dir.path("1.eml"));
  size_t start = raw.find("\r\n\r\n", raw.find("Content-Disposition: attachment")) + 4;
  size_t end = raw.find("\r\n\r\n--", start);
  std::istringstream lines(raw.substr(start, end - start));
  std::vector<size_t> lengths;
  for (std::string line; std::getline(lines, line);) lengths.push_back(line.size());
  ASSERT_EQ((recording.size() + 56) / 57, lengths.size());
  for (size_t i = 0; i + 1 < lengths.size(); ++i) ASSERT_EQ(77u, lengths[i]);  // 76 + CR
}

// A listening socket on 127.0.0.1 that accepts and then does what the test says.
class RawServer {
 public:
  RawServer() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at);
    socklen_t size = sizeof at;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &size);
    port_ = ntohs(at.sin_port);
    listen(listener_, 1);
  }
  ~RawServer() {
    released_ = true;
    if (thread_.joinable()) thread_.join();
    if (client_ >= 0) close(client_);
    close(listener_);
  }
  int port() const { return port_; }
  // Greets, then either closes at once or keeps silent until `released`.
  void serve(bool hang_up, std::atomic<bool>* released) {
    thread_ = std::thread([=] {
      client_ = accept(listener_, nullptr, nullptr);
      const char greeting[] = "220 ready\r\n";
      send(client_, greeting, sizeof greeting - 1, 0);
      if (hang_up) {
        close(client_);
        client_ = -1;
        return;
      }
      for (int i = 0; i < 3000 && !released->load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
  }
  // Starts a reply and sends one more byte of it every 20 ms (never a pause long enough
  // for a receive to time out), never a line feed, for at most a minute; notes whether
  // the client hung up meanwhile.
  void trickle() {
    thread_ = std::thread([=] {
      client_ = accept(listener_, nullptr, nullptr);
      send(client_, "220", 3, MSG_NOSIGNAL);
      for (int i = 0; i < 3000 && !released_; ++i) {
        pollfd entry = {client_, POLLIN, 0};
        char byte;
        if (poll(&entry, 1, 20) > 0 && recv(client_, &byte, 1, 0) <= 0) {
          client_left_ = true;
          return;
        }
        send(client_, "-", 1, MSG_NOSIGNAL);
        ++trickled_;
      }
    });
  }
  // Answers the dialogue up to DATA, then reads nothing more (its receive buffer kept
  // small) until released or a minute and a half has passed.
  void stop_reading_after_data() {
    int small = 4096;
    setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    thread_ = std::thread([=] {
      client_ = accept(listener_, nullptr, nullptr);
      send(client_, "220 ready\r\n", 11, MSG_NOSIGNAL);
      std::string line;
      char byte;
      while (recv(client_, &byte, 1, 0) == 1) {
        if (byte != '\n') {
          line += byte;
          continue;
        }
        const char* reply = line.compare(0, 4, "AUTH") == 0 ? "502 no\r\n" : line == "DATA\r" ? "354 go\r\n" : "250 ok\r\n";
        send(client_, reply, std::strlen(reply), MSG_NOSIGNAL);
        if (line == "DATA\r") break;
        line.clear();
      }
      for (int i = 0; i < 9000 && !released_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
  }
  int trickled() const { return trickled_; }
  bool client_left() const { return client_left_; }

 private:
  int listener_ = -1, client_ = -1, port_ = 0;
  std::thread thread_;
  std::atomic<bool> released_{false}, client_left_{false};
  std::atomic<int> trickled_{0};
};

TEST(SmtpPeer, ServerThatHangsUpFailsWithTheStepsMessage) {
  RawServer server;
  std::atomic<bool> released{true};
  server.serve(true, &released);
  MailMessage message;
  message.to = "a@example.org";
  message.host_text = "127.0.0.1:u:p";
  Flag stop;
  Messages shown;
  std::unique_ptr<SocketOps> ops = make_socket_ops();
  SocketMailConnection connection(*ops, stop);
  // The connect goes to port 25 in this form: use the "@" form for the test's port.
  message.host_text = "u:p@127.0.0.1:" + std::to_string(server.port());
  EXPECT_EQ(Outcome::kFailed, smtp_send(message, connection, stop, shown, nullptr));
  EXPECT_EQ(std::vector<std::string>{"Mail host server error (HELO not accepted)"}, shown.shown);
}

TEST(SmtpPeer, StopWhileTheServerIsSilentEndsQuietly) {
  RawServer server;
  std::atomic<bool> released{false};
  server.serve(false, &released);
  MailMessage message;
  message.to = "a@example.org";
  message.host_text = "u:p@127.0.0.1:" + std::to_string(server.port());
  Flag stop;
  Messages shown;
  std::thread quitter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    stop.set = true;
  });
  std::unique_ptr<SocketOps> ops = make_socket_ops();
  SocketMailConnection connection(*ops, stop);
  EXPECT_EQ(Outcome::kStopped, smtp_send(message, connection, stop, shown, nullptr));
  EXPECT_TRUE(shown.shown.empty());
  quitter.join();
  released = true;

  // A name that resolves to nothing fails to connect rather than reaching this computer.
  Flag no_stop;
  message.host_text = "no-such-host.invalid";
  SocketMailConnection second(*ops, no_stop);
  EXPECT_EQ(Outcome::kFailed, smtp_send(message, second, no_stop, shown, nullptr));
  EXPECT_EQ(std::vector<std::string>{"Unable to connect to mail server \"no-such-host.invalid\"."}, shown.shown);
}

// A reply that never ends keeps the receive busy without a pause: stop is still
// honoured, and the client hangs up while the server is still sending.
TEST(SmtpPeer, StopWhileTheServerTricklesAReplyEndsQuietly) {
  RawServer server;
  server.trickle();
  MailMessage message;
  message.to = "a@example.org";
  message.host_text = "u:p@127.0.0.1:" + std::to_string(server.port());
  Flag stop;
  Messages shown;
  Outcome result = Outcome::kDone;
  std::unique_ptr<SocketOps> ops = make_socket_ops();
  SocketMailConnection connection(*ops, stop);
  std::thread client([&] { result = smtp_send(message, connection, stop, shown, nullptr); });
  for (int i = 0; i < 3000 && server.trickled() < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_GE(server.trickled(), 3) << "the server did not start its reply";
  stop.set = true;
  client.join();
  EXPECT_EQ(Outcome::kStopped, result);
  EXPECT_TRUE(shown.shown.empty());
  // The server notices the hang-up at its next poll; it would trickle on for a minute.
  for (int i = 0; i < 1000 && !server.client_left(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(server.client_left()) << "the client read on until the server gave up";
}

// A server that takes the DATA command and then stops reading: the first send that
// can't go out within its budget ends the mail as failed, instead of every later line
// waiting out a budget of its own (days for a long recording).
TEST(SmtpPeer, ServerThatStopsReadingFailsAtTheFirstStalledSend) {
  vt_test::TempDir dir;
  std::string path = dir.path("long.wav");
  vt_test::write_file(path, std::vector<uint8_t>(12 * 1024 * 1024, 0x5A));
  RawServer server;
  server.stop_reading_after_data();
  MailMessage message = recording_mail(path);
  message.to = "a@example.org";
  message.from = "b@example.org";
  message.host_text = "u:p@127.0.0.1:" + std::to_string(server.port());
  message.allow_plain_login = true;  // this server offers no TLS
  Flag stop;
  Messages shown;
  std::atomic<int> result{-1};  // the outcome's value once the client has returned
  std::unique_ptr<SocketOps> ops = make_socket_ops();
  SocketMailConnection connection(*ops, stop);
  std::thread client([&] { result = static_cast<int>(smtp_send(message, connection, stop, shown, nullptr)); });
  // One send budget is 20 s; give it six before asking the client to stop.
  for (int i = 0; i < 1200 && result == -1; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  stop.set = true;
  client.join();
  EXPECT_EQ(static_cast<int>(Outcome::kFailed), result.load());
  EXPECT_EQ(std::vector<std::string>{"Mail host server error (data terminator not accepted)"}, shown.shown);
}

}  // namespace
}  // namespace vt
