#include "win/worker_thread_win.h"

namespace vt {

WorkerThread::WorkerThread() {
  InitializeCriticalSection(&lock_);
  stop_event_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

WorkerThread::~WorkerThread() {
  StopAndClose();
  DeleteCriticalSection(&lock_);
  CloseHandle(stop_event_);
}

void WorkerThread::StopAndClose() {
  if (thread_) {
    Stop(7000);
    if (thread_) CloseHandle(thread_);
    thread_ = nullptr;
  }
}

DWORD WINAPI WorkerThread::entry(void* self) {
  auto* worker = static_cast<WorkerThread*>(self);
  worker->Run();
  InterlockedExchange(&worker->running_, 0);
  return 0;
}

void WorkerThread::Start(int priority) {
  EnterCriticalSection(&lock_);
  if (thread_ && running_) {
    LeaveCriticalSection(&lock_);
    return;
  }
  if (thread_) {
    WaitForSingleObject(thread_, 1000);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  ResetEvent(stop_event_);
  InterlockedExchange(&running_, 1);
  thread_ = CreateThread(nullptr, 0, entry, this, 0, nullptr);
  if (thread_)
    SetThreadPriority(thread_, priority);
  else
    InterlockedExchange(&running_, 0);
  LeaveCriticalSection(&lock_);
}

void WorkerThread::Stop(DWORD wait_ms) {
  if (!thread_) return;
  SetEvent(stop_event_);
  // The thread may run at a higher priority; it finishes at ours.
  SetThreadPriority(thread_, GetThreadPriority(GetCurrentThread()));
  if (WaitForSingleObject(thread_, wait_ms) == WAIT_OBJECT_0) {
    CloseHandle(thread_);
    thread_ = nullptr;
  } else {
    InterlockedExchange(&running_, 0);
  }
}

bool WorkerThread::StopRequested() const { return WaitForSingleObject(stop_event_, 0) == WAIT_OBJECT_0; }

int WorkerThread::WaitForEventOrStop(HANDLE event, DWORD ms) const {
  HANDLE handles[2] = {event, stop_event_};
  DWORD result = WaitForMultipleObjects(2, handles, FALSE, ms);
  if (result == WAIT_OBJECT_0) return 0;
  if (result == WAIT_OBJECT_0 + 1) return 1;
  return 2;
}

bool WorkerThread::WaitForStopOrEvent(HANDLE event, DWORD ms) const {
  return WaitForEventOrStop(event, ms) != 2;
}

}  // namespace vt
