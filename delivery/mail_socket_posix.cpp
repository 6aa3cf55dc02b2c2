// The mail client's sockets on POSIX systems (the native build and its tests).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "delivery/mail_connection.h"

namespace vt {

namespace {

class PosixSocketOps : public SocketOps {
 public:
  ~PosixSocketOps() override { close(); }

  uint32_t resolve(const std::string& host) override {
    in_addr dotted;
    if (inet_pton(AF_INET, host.c_str(), &dotted) == 1) return dotted.s_addr;
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return 0;
    uint32_t address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return address;
  }
  bool open() override {
    close();
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (socket_ < 0) return false;
    fcntl(socket_, F_SETFL, fcntl(socket_, F_GETFL) | O_NONBLOCK);
    return true;
  }
  WaitResult start_connect(uint32_t address, int port) override {
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = address;
    if (::connect(socket_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) return WaitResult::kReady;
    return errno == EINPROGRESS ? WaitResult::kTimedOut : WaitResult::kFailed;
  }
  WaitResult wait_connected(int ms) override {
    WaitResult waited = wait(POLLOUT, ms);
    if (waited != WaitResult::kReady) return waited;
    int error = 0;
    socklen_t size = sizeof error;
    return getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0 ? WaitResult::kReady
                                                                                       : WaitResult::kFailed;
  }
  WaitResult wait_readable(int ms) override { return wait(POLLIN, ms); }
  WaitResult wait_writable(int ms) override { return wait(POLLOUT, ms); }
  int pending() override {
    int bytes = 0;
    return ioctl(socket_, FIONREAD, &bytes) == 0 ? bytes : -1;
  }
  int receive(char* buffer, int capacity) override {
    ssize_t got = ::recv(socket_, buffer, static_cast<size_t>(capacity), 0);
    return got < 0 ? -1 : static_cast<int>(got);
  }
  int send(const char* data, int length) override {
    ssize_t put = ::send(socket_, data, static_cast<size_t>(length), MSG_NOSIGNAL);
    if (put >= 0) return static_cast<int>(put);
    return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
  }
  void close() override {
    if (socket_ >= 0) ::close(socket_);
    socket_ = -1;
  }
  std::string local_host_name() override {
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 ? name : "";
  }

 private:
  // Readiness, or an error or hang-up (which a read or send then reports).
  WaitResult wait(short events, int ms) {
    pollfd entry = {socket_, events, 0};
    int ready = poll(&entry, 1, ms);
    if (ready < 0) return WaitResult::kFailed;
    if (ready == 0) return WaitResult::kTimedOut;
    if (entry.revents & (events | POLLHUP)) return WaitResult::kReady;
    return WaitResult::kFailed;
  }

  int socket_ = -1;
};

}  // namespace

std::unique_ptr<SocketOps> make_socket_ops() { return std::unique_ptr<SocketOps>(new PosixSocketOps); }

bool local_mail_time(MailTime* time) {
  time_t now = ::time(nullptr);
  struct tm local;
  if (!localtime_r(&now, &local)) return false;
  *time = MailTime{local.tm_wday, local.tm_mday, local.tm_mon + 1, local.tm_year + 1900,
                   local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(local.tm_gmtoff / 60)};
  return true;
}

}  // namespace vt
