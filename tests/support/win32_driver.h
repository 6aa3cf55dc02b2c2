// Helpers for Win32 tests that drive real windows under Wine: finding windows, sending
// commands and keys, reading what controls show, waiting with a time-out, screenshots.
// Functions that look for something take a time-out and pump the calling thread's
// messages while they wait, so windows of the test's own thread stay alive.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace vt_test {

// Polls `condition` every 20 ms, pumping messages, until it holds or `timeout_ms` passes.
bool wait_until(const std::function<bool()>& condition, int timeout_ms);
// Dispatches the calling thread's pending messages.
void pump_messages();
// Environment variable or empty text.
std::string env(const char* name);
// A Linux path as Wine sees it ("/a/b" becomes "Z:\a\b"); other paths unchanged.
std::string windows_path(const std::string& path);

// A visible or hidden top-level window of that class and exact title (null: any),
// waiting up to `timeout_ms`; null when none appeared.
HWND find_window(const char* class_name, const char* title, int timeout_ms = 5000);
// A message box of this process captioned `caption`, waiting up to `timeout_ms`. When
// none appears, any other message box of this process is closed (its caption and text
// go to `other`) so that a differing caption fails the test instead of blocking it.
HWND find_message_box(const char* caption, int timeout_ms, std::string* other = nullptr);
// A descendant of `parent` with that class (case-insensitive) and exact text (null: any).
HWND find_child(HWND parent, const char* class_name, const char* text, int timeout_ms = 0);
HWND child(HWND parent, int id);

std::string window_text(HWND window);
std::string control_text(HWND parent, int id);
std::string window_class(HWND window);
// The texts of all static controls below `window`, joined (a message box's message).
std::string static_texts(HWND window);
void set_control_text(HWND parent, int id, const std::string& text);

// Window rectangle in screen coordinates, and a control's rectangle in the client
// coordinates of its parent (what the layout code places).
RECT screen_rect(HWND window);
RECT rect_in_parent(HWND control);
bool is_checked(HWND parent, int id);  // button state BST_CHECKED
bool is_enabled(HWND window);
bool is_visible(HWND window);         // the window and all its ancestors are visible

// WM_COMMAND as a control sends it (sent: returns when handled; posted: for commands
// that open modal dialogs).
LRESULT send_command(HWND window, int id, int notification = BN_CLICKED);
void post_command(HWND window, int id, int notification = BN_CLICKED);
// A button click (BM_CLICK): the button changes its state and notifies its parent.
void click(HWND parent, int id);

// Key codes: a virtual-key code plus 0x10000 Alt, 0x20000 Ctrl, 0x40000 Shift.
constexpr int kAlt = 0x10000, kCtrl = 0x20000, kShift = 0x40000;
// Brings `window`'s top-level window to the front and gives `window` the keyboard
// focus, also when another thread owns it; true once the focus is there.
bool focus(HWND window, int timeout_ms = 5000);
// Posts WM_KEYDOWN/WM_KEYUP (WM_SYSKEY... with Alt) straight to one window; the
// keyboard state is not changed.
void post_key(HWND window, int key_code);
// Types a key as the keyboard would (SendInput): modifiers go down, the key is
// pressed and released, modifiers go up; it reaches the focused window.
bool press_key(int key_code);

// Saves a PNG of the whole private display as <build tree>/screenshots/<name>.png
// and returns its path as Wine sees it, or empty text on failure.
std::string save_screenshot(const std::string& name, int timeout_ms = 15000);

}  // namespace vt_test
