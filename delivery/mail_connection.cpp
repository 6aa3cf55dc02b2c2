#include "delivery/mail_connection.h"

namespace vt {

namespace {

constexpr int kWaitSliceMs = 200;
constexpr int kConnectBudgetMs = 10000;
constexpr int kReceiveBudgetMs = 40000;
constexpr int kReceiveBytes = 512;
constexpr int kSendBytes = 1024;

}  // namespace

int SocketMailConnection::connect(const std::string& host, int port) {
  close();
  uint32_t address = ops_.resolve(host);
  // A name that did not resolve must not reach this computer through 0.0.0.0.
  if (address == 0 || address == 0xFFFFFFFFu || !ops_.open()) return kSendFailed;
  open_ = true;
  WaitResult started = ops_.start_connect(address, port);
  if (started == WaitResult::kReady) return kSendDone;
  if (started == WaitResult::kFailed) {
    close();
    return kSendFailed;
  }
  for (int budget = kConnectBudgetMs; budget > 0; budget -= kWaitSliceMs) {
    WaitResult waited = ops_.wait_connected(kWaitSliceMs);
    if (waited == WaitResult::kReady) return kSendDone;
    if (waited == WaitResult::kFailed) break;
    if (stop_.stop_requested()) {
      close();
      return kSendStopped;
    }
  }
  close();
  return kSendFailed;
}

int SocketMailConnection::receive(char* buffer, int capacity, int* got) {
  *got = 0;
  if (!open_) return kSendFailed;
  for (int budget = kReceiveBudgetMs; budget > 0;) {
    // Tested before every wait, not only after an empty one: a server that trickles a
    // byte now and then would otherwise keep the reply going past a stop.
    if (stop_.stop_requested()) return kSendStopped;
    WaitResult waited = ops_.wait_readable(kWaitSliceMs);
    if (waited == WaitResult::kFailed) return kSendFailed;
    if (waited == WaitResult::kTimedOut) {
      if (stop_.stop_requested()) return kSendStopped;
      budget -= kWaitSliceMs;
      continue;
    }
    // Readable with nothing pending: the peer closed.
    int pending = ops_.pending();
    if (pending <= 0) return kSendFailed;
    int wanted = pending < kReceiveBytes ? pending : kReceiveBytes;
    if (wanted > capacity) wanted = capacity;
    int received = ops_.receive(buffer, wanted);
    if (received <= 0) return kSendFailed;
    *got = received;
    return kSendDone;
  }
  return kSendFailed;
}

int SocketMailConnection::send_all(const char* data, size_t length, int budget_ms) {
  if (!open_) return kSendFailed;
  if (length == 0) return kSendDone;
  size_t sent = 0;
  while (!stop_.stop_requested()) {
    size_t remaining = length - sent;
    int piece = remaining < kSendBytes ? static_cast<int>(remaining) : kSendBytes;
    int put = ops_.send(data + sent, piece);
    if (put < 0) return kSendFailed;
    sent += static_cast<size_t>(put);
    if (sent == length) return kSendDone;
    if (put == kSendBytes) continue;
    // Would block, or the system took part of the piece: wait for room.
    for (;;) {
      WaitResult waited = ops_.wait_writable(kWaitSliceMs);
      if (waited == WaitResult::kReady) break;
      if (waited == WaitResult::kFailed) return kSendFailed;
      if (budget_ms <= kWaitSliceMs) return kSendFailed;
      budget_ms -= kWaitSliceMs;
      if (stop_.stop_requested()) return kSendStopped;
    }
  }
  return kSendStopped;
}

void SocketMailConnection::close() {
  if (open_) ops_.close();
  open_ = false;
}

}  // namespace vt
