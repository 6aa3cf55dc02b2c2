#include "delivery/mail_connection.h"

namespace vt {

namespace {

constexpr int kWaitSliceMs = 200;
constexpr int kConnectBudgetMs = 10000;
constexpr int kReceiveBudgetMs = 40000;
constexpr int kReceiveBytes = 512;
constexpr int kSendBytes = 1024;

}  // namespace

Outcome SocketMailConnection::connect(const std::string& host, int port) {
  close();
  uint32_t address = ops_.resolve(host);
  // A name that did not resolve must not reach this computer through 0.0.0.0.
  if (address == 0 || address == 0xFFFFFFFFu || !ops_.open()) return Outcome::kFailed;
  open_ = true;
  WaitResult started = ops_.start_connect(address, port);
  if (started == WaitResult::kReady) return Outcome::kDone;
  if (started == WaitResult::kFailed) {
    close();
    return Outcome::kFailed;
  }
  for (int budget = kConnectBudgetMs; budget > 0; budget -= kWaitSliceMs) {
    WaitResult waited = ops_.wait_connected(kWaitSliceMs);
    if (waited == WaitResult::kReady) return Outcome::kDone;
    if (waited == WaitResult::kFailed) break;
    if (stop_.stop_requested()) {
      close();
      return Outcome::kStopped;
    }
  }
  close();
  return Outcome::kFailed;
}

Outcome SocketMailConnection::receive(char* buffer, int capacity, int* got) {
  *got = 0;
  if (!open_) return Outcome::kFailed;
  for (int budget = kReceiveBudgetMs; budget > 0;) {
    // Tested before every wait, not only after an empty one: a server that trickles a
    // byte now and then would otherwise keep the reply going past a stop.
    if (stop_.stop_requested()) return Outcome::kStopped;
    WaitResult waited = ops_.wait_readable(kWaitSliceMs);
    if (waited == WaitResult::kFailed) return Outcome::kFailed;
    if (waited == WaitResult::kTimedOut) {
      if (stop_.stop_requested()) return Outcome::kStopped;
      budget -= kWaitSliceMs;
      continue;
    }
    // Readable with nothing pending: the peer closed.
    int pending = ops_.pending();
    if (pending <= 0) return Outcome::kFailed;
    int wanted = pending < kReceiveBytes ? pending : kReceiveBytes;
    if (wanted > capacity) wanted = capacity;
    int received = ops_.receive(buffer, wanted);
    if (received <= 0) return Outcome::kFailed;
    *got = received;
    return Outcome::kDone;
  }
  return Outcome::kFailed;
}

Outcome SocketMailConnection::send_all(const char* data, size_t length, int budget_ms) {
  if (!open_) return Outcome::kFailed;
  if (length == 0) return Outcome::kDone;
  size_t sent = 0;
  while (!stop_.stop_requested()) {
    size_t remaining = length - sent;
    int piece = remaining < kSendBytes ? static_cast<int>(remaining) : kSendBytes;
    int put = ops_.send(data + sent, piece);
    if (put < 0) return Outcome::kFailed;
    sent += static_cast<size_t>(put);
    if (sent == length) return Outcome::kDone;
    if (put == kSendBytes) continue;
    // Would block, or the system took part of the piece: wait for room.
    for (;;) {
      WaitResult waited = ops_.wait_writable(kWaitSliceMs);
      if (waited == WaitResult::kReady) break;
      if (waited == WaitResult::kFailed) return Outcome::kFailed;
      if (budget_ms <= kWaitSliceMs) return Outcome::kFailed;
      budget_ms -= kWaitSliceMs;
      if (stop_.stop_requested()) return Outcome::kStopped;
    }
  }
  return Outcome::kStopped;
}

void SocketMailConnection::close() {
  if (open_) ops_.close();
  open_ = false;
}

}  // namespace vt
