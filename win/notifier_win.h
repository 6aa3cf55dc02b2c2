// A hidden window of class LTQN that hands a worker thread's WM_USER to its owner on the
// thread that created it (the main thread).
#pragma once
#include <windows.h>

namespace vt {

class NotificationTarget {
 public:
  virtual ~NotificationTarget() {}
  virtual void on_notify() = 0;
};

class Notifier {
 public:
  explicit Notifier(NotificationTarget* owner);
  ~Notifier();
  // Safe from any thread; nothing once closed.
  void post() const;
  // Destroys the window now (on the thread that made it): posts no longer arrive.
  void close();
  HWND window() const { return window_; }

 private:
  static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  HWND volatile window_ = nullptr;
};

}  // namespace vt
