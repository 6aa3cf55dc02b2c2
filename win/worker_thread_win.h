// The small thread class shared by the capture engine, the delivery queue and the player.
// start, stop and release are called by the owner's thread (the main thread); run and
// the wait and stop tests by the worker thread.
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
  // For a run that ends because it found no work: cleared under start_lock(), so that
  // a start taking the lock afterwards starts a new thread instead of trusting this one.
  void clear_running() { InterlockedExchange(&running_, 0); }
  // The lock start() holds while it tests the running flag. A run that ends for want of
  // work holds it from its last look for work until clear_running(); a derived class
  // guards its own queue of work with it, so that work added in between is either seen
  // by that run or starts a new one.
  CriticalSection& start_lock() { return lock_; }

 private:
  static DWORD WINAPI entry(void* self);
  CriticalSection lock_;  // see start_lock()
  // Owner's thread (start, stop); the worker thread resets it only when orphaned.
  OwnedHandle thread_;
  // Set by start under lock_; cleared by the worker (interlocked) when its run ends.
  volatile LONG running_ = 0;
  // Manual reset; set from any thread, reset by start before a new thread begins.
  OwnedHandle stop_event_;
  // Guards in_run_ and orphaned_: between start and the end of run; `orphaned_`: the
  // thread deletes the object then.
  CriticalSection handoff_;
  bool in_run_ = false;
  bool orphaned_ = false;
};

}  // namespace vt
