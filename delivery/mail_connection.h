// One TCP connection of the mail client, with the client's time budgets: every wait
// is cut into 200 ms slices between which the stop signal is tested. The system's
// socket calls sit behind SocketOps (Winsock on Windows, POSIX in the native tests).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/outcome.h"
#include "delivery/mail_text.h"

namespace vt {

class StopSignal {
 public:
  virtual ~StopSignal() {}
  virtual bool stop_requested() const = 0;
};

enum class WaitResult { kReady, kTimedOut, kFailed };

// The system's calls on one non-blocking IPv4 stream socket.
class SocketOps {
 public:
  virtual ~SocketOps() {}
  // The dotted address, else the first address the name resolves to; 0 when none.
  // In network byte order.
  virtual uint32_t resolve(const std::string& host) = 0;
  virtual bool open() = 0;
  // kReady when connected at once, kTimedOut while in progress, kFailed otherwise.
  virtual WaitResult start_connect(uint32_t address, int port) = 0;
  virtual WaitResult wait_connected(int ms) = 0;
  virtual WaitResult wait_readable(int ms) = 0;
  virtual WaitResult wait_writable(int ms) = 0;
  // Bytes waiting to be read; -1 on error.
  virtual int pending() = 0;
  // Bytes received or sent; -1 on error; a send that would block returns 0.
  virtual int receive(char* buffer, int capacity) = 0;
  virtual int send(const char* data, int length) = 0;
  virtual void close() = 0;
  // This computer's own name, or empty text.
  virtual std::string local_host_name() = 0;
};

// The platform's sockets (Windows Sockets 2.2, started once; or POSIX).
std::unique_ptr<SocketOps> make_socket_ops();
// The local time now with the offset in effect; false when it can't be had.
bool local_mail_time(MailTime* time);

// What the mail dialogue needs of its connection.
class MailConnection {
 public:
  virtual ~MailConnection() {}
  virtual Outcome connect(const std::string& host, int port) = 0;
  // One receive of at most `capacity` bytes; *got > 0 on Outcome::kDone.
  virtual Outcome receive(char* buffer, int capacity, int* got) = 0;
  virtual Outcome send_all(const char* data, size_t length, int budget_ms) = 0;
  virtual void close() = 0;
  virtual std::string local_host_name() = 0;
  // Secures the open connection with TLS, the server's certificate checked against
  // `host`; on Outcome::kFailed the connection is closed and tls_failure() says why.
  virtual Outcome start_tls(const std::string& host) { return Outcome::kFailed; }
  virtual std::string tls_failure() const { return std::string(); }
};

class SocketMailConnection : public MailConnection {
 public:
  SocketMailConnection(SocketOps& ops, const StopSignal& stop) : ops_(ops), stop_(stop) {}
  ~SocketMailConnection() override { close(); }
  Outcome connect(const std::string& host, int port) override;
  Outcome receive(char* buffer, int capacity, int* got) override;
  Outcome send_all(const char* data, size_t length, int budget_ms) override;
  void close() override;
  std::string local_host_name() override { return ops_.local_host_name(); }

 private:
  SocketOps& ops_;
  const StopSignal& stop_;
  bool open_ = false;  // like the whole object: the one thread sending this mail, no lock
};

}  // namespace vt
