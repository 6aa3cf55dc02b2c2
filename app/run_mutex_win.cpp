#include "app/run_mutex_win.h"

#include <windows.h>

namespace vt {

namespace {

const char kRunMutexName[] = "VocatrackRunMutex";

// Two handles on the one mutex: one waited on, one released.
HANDLE wait_handle() {
  static HANDLE handle = CreateMutexA(nullptr, FALSE, kRunMutexName);
  return handle;
}

HANDLE release_handle() {
  static HANDLE handle = CreateMutexA(nullptr, FALSE, kRunMutexName);
  return handle;
}

}  // namespace

void wait_for_run_mutex() {
  release_handle();
  if (wait_handle()) WaitForSingleObject(wait_handle(), INFINITE);
}

void release_run_mutex() {
  if (release_handle()) ReleaseMutex(release_handle());
}

}  // namespace vt
