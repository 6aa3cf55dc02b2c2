// The small thread class shared by the capture engine, the delivery queue and the player.
#pragma once
#include <windows.h>

#include "base/outcome.h"
#include "win/handles_win.h"

namespace vt {

class WorkerThread {
 public:
  WorkerThread();
  virtual ~WorkerThread();
  // Starts the thread; false when it could not be created or an earlier one still lives.
  bool start(int priority);
  // Asks the thread to end and waits for it at most `wait_ms`; false when it still lives.
  bool stop(DWORD wait_ms);
  // Asks the thread to end without waiting (a later stop waits for it).
  void request_stop();
  bool stop_requested() const;
  // kDone when `event` is signalled, kStopped when stop was requested, kFailed on time-out.
  Outcome wait_for_event_or_stop(HANDLE event, DWORD ms) const;
  // True unless the wait for stop or `event` timed out.
  bool wait_for_stop_or_event(HANDLE event, DWORD ms) const;
  bool running() const { return running_ != 0; }
  // True while a thread exists that has not ended.
  bool alive() const;
  // The thread while it exists (for its times in benchmarks); null otherwise.
  HANDLE thread_handle() const { return thread_.get(); }

  // Deletes an object made with new whose thread may outlive its owner: at once when
  // no run is under way, otherwise the thread deletes it when its run returns.
  static void release(WorkerThread* worker);

 protected:
  virtual void run() = 0;
  // Derived classes stop their thread in their own destructor, while Run can still use
  // them. A thread that does not end keeps its handle: such objects go through release.
  void stop_and_close();
  // For a run that ends because it found no work: cleared under the lock, so that a
  // start taking the lock afterwards starts a new thread instead of trusting this one.
  void clear_running() { InterlockedExchange(&running_, 0); }
  CriticalSection lock_;

 private:
  static DWORD WINAPI entry(void* self);
  OwnedHandle thread_;
  volatile LONG running_ = 0;
  OwnedHandle stop_event_;
  // Between start and the end of run; `orphaned_`: the thread deletes the object then.
  CriticalSection handoff_;
  bool in_run_ = false;
  bool orphaned_ = false;
};

}  // namespace vt
