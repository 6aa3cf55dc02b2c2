// The small thread class shared by the capture engine, the delivery queue and the player.
#pragma once
#include <windows.h>

namespace vt {

class WorkerThread {
 public:
  WorkerThread();
  virtual ~WorkerThread();
  // Starts the thread unless it is already running.
  void Start(int priority);
  // Asks the thread to end and waits for it at most `wait_ms`.
  void Stop(DWORD wait_ms);
  bool StopRequested() const;
  // 0 when `event` is signalled, 1 when stop was requested, 2 on time-out.
  int WaitForEventOrStop(HANDLE event, DWORD ms) const;
  // True unless the wait for stop or `event` timed out.
  bool WaitForStopOrEvent(HANDLE event, DWORD ms) const;
  bool running() const { return running_ != 0; }
  // The thread while it exists (for its times in benchmarks); null otherwise.
  HANDLE thread_handle() const { return thread_; }

 protected:
  virtual void Run() = 0;
  // Derived classes stop their thread in their own destructor, while Run can still use them.
  void StopAndClose();
  // For a Run that ends because it found no work: cleared under the lock, so that a
  // Start taking the lock afterwards starts a new thread instead of trusting this one.
  void ClearRunning() { InterlockedExchange(&running_, 0); }
  CRITICAL_SECTION lock_;

 private:
  static DWORD WINAPI entry(void* self);
  HANDLE thread_ = nullptr;
  volatile LONG running_ = 0;
  HANDLE stop_event_;
};

}  // namespace vt
