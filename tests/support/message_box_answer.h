// Answers a message box from a thread of its own, for tests whose code under test
// shows one and waits for the user; finds wizards by what they show.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/support/win32_driver.h"

namespace vt_test {

// Texts of every static control of a message box, joined.
inline std::string message_text(HWND box) {
  std::string text;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM out) -> BOOL {
        if (window_class(child) == "Static") *reinterpret_cast<std::string*>(out) += window_text(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&text));
  return text;
}

// A top-level dialog (a wizard, whose caption follows its page) holding a control
// with exactly this text; null when none appeared within `timeout_ms`.
inline HWND find_dialog_with_control(const char* text, int timeout_ms) {
  struct Query {
    const char* text;
    HWND found;
  } query = {text, nullptr};
  wait_until([&] {
    EnumWindows(
        [](HWND top, LPARAM param) -> BOOL {
          auto* q = reinterpret_cast<Query*>(param);
          if (window_class(top) != "#32770" || !find_child(top, nullptr, q->text)) return TRUE;
          q->found = top;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&query));
    return query.found != nullptr;
  }, timeout_ms);
  return query.found;
}

// Answers the message box captioned `caption` with `button` and keeps its text; when
// none appears within `timeout_ms`, or before `stop_looking` is called, `answered`
// stays false.
class MessageBoxAnswer {
 public:
  MessageBoxAnswer(const char* caption, int button, int timeout_ms = 40000) {
    thread_ = std::thread([this, caption, button, timeout_ms] {
      HWND box = nullptr;
      wait_until([&] { return stop_ || (box = FindWindowA("#32770", caption)) != nullptr; }, timeout_ms);
      if (!box) return;
      wait_until([&] { return !message_text(box).empty(); }, 5000);
      text = message_text(box);
      PostMessageA(box, WM_COMMAND, button, 0);
      answered = true;
    });
  }
  ~MessageBoxAnswer() { join(); }
  void join() {
    if (thread_.joinable()) thread_.join();
  }
  // For code that would wait for the box had it shown one: once that code has returned
  // there is no box to come, so the watch ends without waiting out its time.
  void stop_looking() {
    stop_ = true;
    join();
  }
  std::string text;
  std::atomic<bool> answered{false};

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace vt_test
