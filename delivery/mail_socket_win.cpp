// The mail client's sockets through Windows Sockets 2.2, started once per process on
// first use and never shut down.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "delivery/mail_connection.h"

namespace vt {

namespace {

bool sockets_started() {
  static bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

class WinsockOps : public SocketOps {
 public:
  ~WinsockOps() override { close(); }

  uint32_t resolve(const std::string& host) override {
    if (!sockets_started()) return 0;
    unsigned long dotted = inet_addr(host.c_str());
    if (dotted != INADDR_NONE) return dotted;
    hostent* found = gethostbyname(host.c_str());
    if (!found || found->h_addrtype != AF_INET || !found->h_addr_list[0]) return 0;
    return *reinterpret_cast<const uint32_t*>(found->h_addr_list[0]);
  }
  bool open() override {
    close();
    if (!sockets_started()) return false;
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET) return false;
    u_long non_blocking = 1;
    ioctlsocket(socket_, FIONBIO, &non_blocking);
    return true;
  }
  WaitResult start_connect(uint32_t address, int port) override {
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<u_short>(port));
    to.sin_addr.s_addr = address;
    if (::connect(socket_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) return WaitResult::kReady;
    return WSAGetLastError() == WSAEWOULDBLOCK ? WaitResult::kTimedOut : WaitResult::kFailed;
  }
  // Writable is connected; an exception alone is a refused connection.
  WaitResult wait_connected(int ms) override {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket_, &writable);
    FD_SET(socket_, &failed);
    timeval wait = {ms / 1000, (ms % 1000) * 1000};
    int ready = select(0, nullptr, &writable, &failed, &wait);
    if (ready == SOCKET_ERROR) return WaitResult::kFailed;
    if (ready == 0) return WaitResult::kTimedOut;
    return FD_ISSET(socket_, &writable) ? WaitResult::kReady : WaitResult::kFailed;
  }
  WaitResult wait_readable(int ms) override { return wait(true, ms); }
  WaitResult wait_writable(int ms) override { return wait(false, ms); }
  int pending() override {
    u_long bytes = 0;
    return ioctlsocket(socket_, FIONREAD, &bytes) == 0 ? static_cast<int>(bytes) : -1;
  }
  int receive(char* buffer, int capacity) override {
    int got = recv(socket_, buffer, capacity, 0);
    return got == SOCKET_ERROR ? -1 : got;
  }
  int send(const char* data, int length) override {
    int put = ::send(socket_, data, length, 0);
    if (put != SOCKET_ERROR) return put;
    return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
  }
  void close() override {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }
  std::string local_host_name() override {
    char name[256] = {};
    return sockets_started() && gethostname(name, sizeof name - 1) == 0 ? name : "";
  }

 private:
  WaitResult wait(bool for_read, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket_, &set);
    timeval wait = {ms / 1000, (ms % 1000) * 1000};
    int ready = for_read ? select(0, &set, nullptr, nullptr, &wait) : select(0, nullptr, &set, nullptr, &wait);
    if (ready == SOCKET_ERROR) return WaitResult::kFailed;
    return ready == 0 ? WaitResult::kTimedOut : WaitResult::kReady;
  }

  SOCKET socket_ = INVALID_SOCKET;
};

}  // namespace

std::unique_ptr<SocketOps> make_socket_ops() { return std::unique_ptr<SocketOps>(new WinsockOps); }

// The bias in effect now: standard or daylight, as the system says.
bool local_mail_time(MailTime* time) {
  SYSTEMTIME local;
  GetLocalTime(&local);
  TIME_ZONE_INFORMATION zone;
  DWORD which = GetTimeZoneInformation(&zone);
  if (which == TIME_ZONE_ID_INVALID) return false;
  LONG bias = zone.Bias;  // minutes west of UTC
  if (which == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
  else if (which == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
  *time = MailTime{local.wDayOfWeek, local.wDay, local.wMonth, local.wYear,
                   local.wHour, local.wMinute, local.wSecond, static_cast<int>(-bias)};
  return true;
}

}  // namespace vt
