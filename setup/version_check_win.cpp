#include "setup/version_check_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <shellapi.h>

#include "base/settings_names.h"
#include "setup/server_addresses.h"
#include "setup/update_schedule.h"
#include "setup/version_reply.h"
#include "win/settings_win.h"
#include "win/tls_channel_win.h"

namespace vt {
namespace {

const DWORD kSliceMs = 200;
const DWORD kBudgetMs = 5000;
const int kSendChunk = 1024;

class WinsockScope {
 public:
  WinsockScope() {
    WSADATA data;
    ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockScope() {
    if (ok_) WSACleanup();
  }
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

class OwnedSocket {
 public:
  explicit OwnedSocket(SOCKET socket) : socket_(socket) {}
  ~OwnedSocket() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
  }
  SOCKET get() const { return socket_; }

 private:
  SOCKET socket_;
};

// Waits until the socket is writable (or readable) in slices, dispatching messages
// between them, while the budget lasts. kDone ready, kStopped cancelled, kFailed timed out or failed.
Outcome wait_for_socket(ProgressTask* task, SOCKET socket, bool writable, DWORD started, DWORD budget) {
  for (;;) {
    if (pump_and_check_cancel(task)) return Outcome::kStopped;
    if (GetTickCount() - started >= budget) return Outcome::kFailed;
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval slice = {0, static_cast<long>(kSliceMs * 1000)};
    int count = select(0, writable ? nullptr : &ready, writable ? &ready : nullptr, &failed, &slice);
    if (count == SOCKET_ERROR || FD_ISSET(socket, &failed)) return Outcome::kFailed;
    if (count > 0) return Outcome::kDone;
  }
}

Outcome connect_to(ProgressTask* task, SOCKET socket, const sockaddr* address, int length) {
  if (connect(socket, address, length) == 0) return Outcome::kDone;
  if (WSAGetLastError() != WSAEWOULDBLOCK) return Outcome::kFailed;
  return wait_for_socket(task, socket, true, GetTickCount(), kBudgetMs);
}

Outcome send_all(ProgressTask* task, SOCKET socket, const std::string& request) {
  DWORD started = GetTickCount();
  size_t sent = 0;
  while (sent < request.size()) {
    int chunk = static_cast<int>(request.size() - sent < kSendChunk ? request.size() - sent : kSendChunk);
    int done = send(socket, request.data() + sent, chunk, 0);
    if (done == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK) return Outcome::kFailed;
    if (done > 0) sent += static_cast<size_t>(done);
    if (done == chunk) continue;
    Outcome waited = wait_for_socket(task, socket, true, started, kBudgetMs);
    if (waited != Outcome::kDone) return waited;
  }
  return Outcome::kDone;
}

// Reads until the server closes or the limit is reached. A reply that ends with the
// connection is complete: HTTP/1.0 servers mark the end that way.
Outcome receive_reply(ProgressTask* task, SOCKET socket, std::string* reply) {
  DWORD started = GetTickCount();
  char buffer[kVersionReplyLimit];
  while (static_cast<int>(reply->size()) < kVersionReplyLimit) {
    Outcome waited = wait_for_socket(task, socket, false, started, kBudgetMs);
    if (waited == Outcome::kStopped) return waited;
    if (waited != Outcome::kDone) return reply->empty() ? Outcome::kFailed : Outcome::kDone;
    u_long pending = 0;
    if (ioctlsocket(socket, FIONREAD, &pending) != 0) return Outcome::kFailed;
    int room = kVersionReplyLimit - static_cast<int>(reply->size());
    // Readable with nothing pending: the server closed the connection.
    if (pending == 0) return reply->empty() ? Outcome::kFailed : Outcome::kDone;
    int want = pending < static_cast<u_long>(room) ? static_cast<int>(pending) : room;
    int got = recv(socket, buffer, want, 0);
    if (got <= 0) return reply->empty() ? Outcome::kFailed : Outcome::kDone;
    reply->append(buffer, static_cast<size_t>(got));
  }
  return Outcome::kDone;
}

// The socket under a TLS session, with the same waits and budget as in clear.
class SocketTransport : public TlsTransport {
 public:
  SocketTransport(ProgressTask* task, SOCKET socket) : task_(task), socket_(socket) {}
  Outcome send_all(const char* data, size_t length) override {
    return vt::send_all(task_, socket_, std::string(data, length));
  }
  Outcome receive(char* buffer, int capacity, int* got) override {
    *got = 0;
    Outcome waited = wait_for_socket(task_, socket_, false, GetTickCount(), kBudgetMs);
    if (waited != Outcome::kDone) return waited;
    u_long pending = 0;
    if (ioctlsocket(socket_, FIONREAD, &pending) != 0 || pending == 0) return Outcome::kFailed;
    int want = pending < static_cast<u_long>(capacity) ? static_cast<int>(pending) : capacity;
    int received = recv(socket_, buffer, want, 0);
    if (received <= 0) return Outcome::kFailed;
    *got = received;
    return Outcome::kDone;
  }

 private:
  ProgressTask* task_;
  SOCKET socket_;
};

// The same request and reply limit through TLS; the server's certificate must be
// valid for the host name.
Outcome fetch_over_tls(ProgressTask* task, SOCKET socket, const HttpAddress& address, std::string* reply) {
  SocketTransport transport(task, socket);
  TlsChannel channel(transport);
  Outcome step = channel.handshake(address.name);
  if (step != Outcome::kDone) return step;
  std::string request = version_request(address);
  step = channel.send_all(request.data(), request.size());
  if (step != Outcome::kDone) return step;
  char buffer[kVersionReplyLimit];
  while (static_cast<int>(reply->size()) < kVersionReplyLimit) {
    int got = 0;
    step = channel.receive(buffer, kVersionReplyLimit - static_cast<int>(reply->size()), &got);
    if (step == Outcome::kStopped) return step;
    // The end of the session is the end of an HTTP/1.0 reply.
    if (step != Outcome::kDone) break;
    reply->append(buffer, static_cast<size_t>(got));
  }
  channel.shutdown();
  return reply->empty() ? Outcome::kFailed : Outcome::kDone;
}

class VersionCheckTask : public ProgressTask {
 public:
  explicit VersionCheckTask(const std::string& url) : ProgressTask("Vérification des Mises à Jour"), url_(url) {}
  bool run() override {
    result = fetch_version_reply(this, url_, &reply);
    return result == Outcome::kDone;
  }
  std::string reply;

 private:
  std::string url_;
};

}  // namespace

void WebOpener::open(const std::string& url) {
  ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::string version_server() {
  std::string value = read_setting(kVersionServer);
  return value.empty() ? kDefaultVersionServer : value;
}

Outcome fetch_version_reply(ProgressTask* task, const std::string& url, std::string* reply) {
  reply->clear();
  HttpAddress address;
  if (!split_http_address(url, &address)) return Outcome::kFailed;
  WinsockScope winsock;
  if (!winsock.ok()) return Outcome::kFailed;
  addrinfo hints = {};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  if (getaddrinfo(address.name.c_str(), std::to_string(address.port).c_str(), &hints, &found) != 0 || !found)
    return Outcome::kFailed;
  sockaddr_in target = *reinterpret_cast<sockaddr_in*>(found->ai_addr);
  freeaddrinfo(found);

  OwnedSocket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (socket.get() == INVALID_SOCKET) return Outcome::kFailed;
  u_long non_blocking = 1;
  if (ioctlsocket(socket.get(), FIONBIO, &non_blocking) != 0) return Outcome::kFailed;
  Outcome step = connect_to(task, socket.get(), reinterpret_cast<sockaddr*>(&target), sizeof target);
  if (step != Outcome::kDone) return step;
  if (address.secure) return fetch_over_tls(task, socket.get(), address, reply);
  step = send_all(task, socket.get(), version_request(address));
  if (step != Outcome::kDone) return step;
  return receive_reply(task, socket.get(), reply);
}

void run_version_check(HWND owner, WebOpener* opener) {
  WebOpener shell;
  if (!opener) opener = &shell;
  VersionCheckTask task(version_file_url(version_server()));
  run_progress_task(&task, owner);
  if (task.result != Outcome::kDone) return;
  VersionReply reply = parse_version_reply(task.reply);
  RegistrySection settings(Hive::Machine, kSectionSettings);
  if (!version_is_news(reply.hundredths, last_told_version(settings))) return;
  // Without a web page to open there is nothing to offer.
  if (!is_web_address(reply.info_url)) return;
  int answer = MessageBoxA(owner,
                           "Une version mise à jour de ce logiciel est dès à présent disponible en ligne. Voulez vous "
                           "plus d'informations sur cette nouvelle version?",
                           "Version Mise à Jour Disponible", MB_YESNOCANCEL | MB_ICONQUESTION);
  // No: the question comes back at the next check.
  if (answer != IDYES) return;
  opener->open(reply.info_url);
  remember_told_version(settings, reply.hundredths);
}

}  // namespace vt
