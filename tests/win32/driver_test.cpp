// The window-driving helpers against a small window made by another thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "tests/support/win32_driver.h"

namespace vt_test {
namespace {

enum { kIdButton = 101, kIdCheck = 102, kIdEdit = 103, kIdDisabled = 104, kIdHidden = 105 };
const char kClassName[] = "VtDriverTestWindow";
const char kTitle[] = "Fenêtre d'essai";

std::atomic<int> g_commands{0};
std::atomic<int> g_last_command{0};
std::atomic<int> g_last_key{0};
std::atomic<bool> g_ctrl_with_key{false};

LRESULT CALLBACK test_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      ++g_commands;
      g_last_command = LOWORD(wparam);
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      g_last_key = static_cast<int>(wparam);
      g_ctrl_with_key = GetKeyState(VK_CONTROL) < 0;
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// Makes the window after `delay_ms`, as a program's window appears a little after start,
// and runs its message loop until the window is destroyed.
class WindowThread {
 public:
  explicit WindowThread(DWORD delay_ms) : quit_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this, delay_ms] {
      if (WaitForSingleObject(quit_, delay_ms) == WAIT_OBJECT_0) return;
      WNDCLASSA window_class = {};
      window_class.lpfnWndProc = test_window_proc;
      window_class.hInstance = GetModuleHandleA(nullptr);
      window_class.lpszClassName = kClassName;
      window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      RegisterClassA(&window_class);
      HWND window = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 120, 320, 200,
                                    nullptr, nullptr, window_class.hInstance, nullptr);
      auto control = [&](const char* cls, const char* text, DWORD style, int x, int y, int id) {
        CreateWindowExA(0, cls, text, WS_CHILD | style, x, y, 120, 24, window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), window_class.hInstance, nullptr);
      };
      control("BUTTON", "Enregistrer", WS_VISIBLE | BS_PUSHBUTTON, 10, 10, kIdButton);
      control("BUTTON", "Bip de début", WS_VISIBLE | BS_AUTOCHECKBOX, 10, 40, kIdCheck);
      control("EDIT", "Bonjour", WS_VISIBLE | WS_BORDER, 10, 70, kIdEdit);
      control("BUTTON", "Arrêter", WS_VISIBLE | WS_DISABLED, 140, 10, kIdDisabled);
      control("STATIC", "Caché", 0, 140, 40, kIdHidden);
      MSG msg;
      while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    });
  }
  ~WindowThread() {
    SetEvent(quit_);
    HWND window = FindWindowA(kClassName, nullptr);
    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
    thread_.join();
    CloseHandle(quit_);
  }

 private:
  HANDLE quit_;
  std::thread thread_;
};

TEST(Win32Driver, FindsReadsAndDrivesAWindow) {
  WindowThread maker(300);
  EXPECT_EQ(nullptr, find_window(kClassName, kTitle, 0));
  HWND window = find_window(kClassName, kTitle, 10000);
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(kTitle, window_text(window));
  EXPECT_EQ(nullptr, find_window(kClassName, "Autre titre", 100));

  // Controls by id and by class and text; texts come back in the program's code page.
  ASSERT_NE(nullptr, find_child(window, nullptr, nullptr, 5000));
  HWND check = find_child(window, "button", "Bip de début", 5000);
  ASSERT_NE(nullptr, check);
  EXPECT_EQ(check, child(window, kIdCheck));
  EXPECT_EQ("Button", window_class(check));
  EXPECT_EQ("Bonjour", control_text(window, kIdEdit));
  set_control_text(window, kIdEdit, "Réglé");
  EXPECT_EQ("Réglé", control_text(window, kIdEdit));

  // Rectangles: the window on the screen, controls where the layout put them.
  RECT outer = screen_rect(window);
  EXPECT_EQ(100, outer.left);
  EXPECT_EQ(120, outer.top);
  EXPECT_EQ(320, outer.right - outer.left);
  RECT edit = rect_in_parent(child(window, kIdEdit));
  EXPECT_EQ(10, edit.left);
  EXPECT_EQ(70, edit.top);
  EXPECT_EQ(120, edit.right - edit.left);

  // States.
  EXPECT_TRUE(is_enabled(child(window, kIdButton)));
  EXPECT_FALSE(is_enabled(child(window, kIdDisabled)));
  EXPECT_TRUE(is_visible(child(window, kIdButton)));
  EXPECT_FALSE(is_visible(child(window, kIdHidden)));
  EXPECT_FALSE(is_checked(window, kIdCheck));

  // Commands: sent, posted, and a click that toggles the check box and notifies.
  int before = g_commands;
  send_command(window, kIdButton);
  EXPECT_EQ(before + 1, g_commands);
  EXPECT_EQ(kIdButton, g_last_command);
  post_command(window, 4242);
  EXPECT_TRUE(wait_until([] { return g_last_command == 4242; }, 5000));
  click(window, kIdCheck);
  EXPECT_TRUE(is_checked(window, kIdCheck));
  EXPECT_EQ(kIdCheck, g_last_command);

  // Keys posted to the window, and typed through the keyboard with Ctrl held.
  post_key(window, 'A');
  EXPECT_TRUE(wait_until([] { return g_last_key == 'A'; }, 5000));
  ASSERT_TRUE(focus(window));  // the click gave the check box the focus
  ASSERT_TRUE(press_key(kCtrl | 'B'));
  EXPECT_TRUE(wait_until([] { return g_last_key == 'B'; }, 5000));
  EXPECT_TRUE(g_ctrl_with_key);
  EXPECT_GE(0, GetAsyncKeyState(VK_CONTROL));  // released again

  // A screenshot of the display lands in the build tree as a PNG.
  std::string shot = save_screenshot("win32_driver_test");
  ASSERT_FALSE(shot.empty());
  std::ifstream file(shot, std::ios::binary);
  char signature[8] = {};
  file.read(signature, sizeof signature);
  EXPECT_EQ(std::string("\x89PNG\r\n\x1a\n", 8), std::string(signature, 8));
}

TEST(Win32Driver, WaitingGivesUpAtTheTimeOut) {
  DWORD start = GetTickCount();
  EXPECT_FALSE(wait_until([] { return false; }, 200));
  EXPECT_GE(GetTickCount() - start + 16, 200u);
  int calls = 0;
  EXPECT_TRUE(wait_until([&] { return ++calls == 3; }, 5000));
  EXPECT_EQ(nullptr, find_window("VtNoSuchClass", nullptr, 50));
}

}  // namespace
}  // namespace vt_test
