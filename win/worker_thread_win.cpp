#include "win/worker_thread_win.h"

namespace vt {

WorkerThread::WorkerThread() : stop_event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

WorkerThread::~WorkerThread() { stop_and_close(); }

void WorkerThread::stop_and_close() {
  if (thread_) stop(7000);
}

DWORD WINAPI WorkerThread::entry(void* self) {
  auto* worker = static_cast<WorkerThread*>(self);
  worker->run();
  InterlockedExchange(&worker->running_, 0);
  bool orphaned;
  {
    CriticalSectionLock hold(worker->handoff_);
    worker->in_run_ = false;
    orphaned = worker->orphaned_;
  }
  if (orphaned) {
    // Its owner has gone: what the run used goes with it, from here.
    worker->thread_.reset();
    delete worker;
  }
  return 0;
}

void WorkerThread::release(WorkerThread* worker) {
  if (!worker) return;
  {
    CriticalSectionLock hold(worker->handoff_);
    if (worker->in_run_) {
      worker->request_stop();
      worker->orphaned_ = true;
      return;
    }
  }
  delete worker;
}

bool WorkerThread::start(int priority) {
  CriticalSectionLock hold(lock_);
  if (thread_ && running_) return false;
  if (thread_) {
    if (WaitForSingleObject(thread_.get(), 1000) != WAIT_OBJECT_0) return false;
    thread_.reset();
  }
  ResetEvent(stop_event_.get());
  InterlockedExchange(&running_, 1);
  {
    CriticalSectionLock handoff(handoff_);
    in_run_ = true;
  }
  thread_.reset(CreateThread(nullptr, 0, entry, this, 0, nullptr));
  if (!thread_) {
    InterlockedExchange(&running_, 0);
    CriticalSectionLock handoff(handoff_);
    in_run_ = false;
    return false;
  }
  SetThreadPriority(thread_.get(), priority);
  return true;
}

bool WorkerThread::stop(DWORD wait_ms) {
  if (!thread_) return true;
  SetEvent(stop_event_.get());
  // The thread may run at a higher priority; it finishes at ours.
  SetThreadPriority(thread_.get(), GetThreadPriority(GetCurrentThread()));
  if (WaitForSingleObject(thread_.get(), wait_ms) != WAIT_OBJECT_0) return false;  // still running: still its own
  thread_.reset();
  return true;
}

void WorkerThread::request_stop() { SetEvent(stop_event_.get()); }

bool WorkerThread::alive() const {
  return thread_ && WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT;
}

bool WorkerThread::stop_requested() const { return WaitForSingleObject(stop_event_.get(), 0) == WAIT_OBJECT_0; }

Outcome WorkerThread::wait_for_event_or_stop(HANDLE event, DWORD ms) const {
  HANDLE handles[2] = {event, stop_event_.get()};
  DWORD result = WaitForMultipleObjects(2, handles, FALSE, ms);
  if (result == WAIT_OBJECT_0) return Outcome::kDone;
  if (result == WAIT_OBJECT_0 + 1) return Outcome::kStopped;
  return Outcome::kFailed;
}

bool WorkerThread::wait_for_stop_or_event(HANDLE event, DWORD ms) const {
  return wait_for_event_or_stop(event, ms) != Outcome::kFailed;
}

}  // namespace vt
